// The add account wizard on its real page templates: Next and Back through the eight pages, every
// page rule (the server page's secure connection box among them), how a run ends, the detection
// of e-mail programs from registry values written in the Wine prefix for the test, and the
// settings each known provider's address fills in.
#include "dialog_test.h"
#include "dialogs/add_wizard.h"
#include "dialogs/client_detection.h"
#include "dialogs/dialup_combo.h"
#include "resources/resource.h"
#include <cstring>

namespace {

const std::string invalid = "Tessary: Invalid input: ";
// The sheet's own buttons.
const int backButton = 0x3023;
const int nextButton = 0x3024;
const int finishButton = 0x3025;

HWND currentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int pageNumber(HWND sheet) // 1..8
{
    return static_cast<int>(SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(currentPage(sheet)), 0)) + 1;
}

void press(HWND sheet, int button)
{
    SendMessageA(sheet, PSM_PRESSBUTTON, button, 0);
}

// Lets the buttons posted by a page's activation arrive.
void settle()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
        PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void select(HWND page, int listId, int item)
{
    SendDlgItemMessageA(page, listId, LB_SETCURSEL, item, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, listId)));
}

// Registry keys made for a test, removed again (deepest first) when it ends.
class RegistryValues {
public:
    ~RegistryValues()
    {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            RegDeleteKeyA(it->first, it->second.c_str());
    }
    void set(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data,
             bool terminated = true)
    {
        std::string sofar;
        HKEY key = nullptr;
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = path.find('\\', start);
            if (end == std::string::npos)
                end = path.size();
            sofar = path.substr(0, end);
            DWORD disposition = 0;
            if (key)
                RegCloseKey(key);
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, sofar.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                                     &disposition));
            if (disposition == REG_CREATED_NEW_KEY)
                created_.push_back({ root, sofar });
            start = end + 1;
        }
        DWORD size = static_cast<DWORD>(data.size() + (terminated ? 1 : 0));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()), size));
        RegCloseKey(key);
    }

private:
    std::vector<std::pair<HKEY, std::string>> created_;
};

const char* const outlookKey = "SOFTWARE\\Microsoft\\Outlook Express";
const char* const navigator45Key = "SOFTWARE\\Netscape\\Netscape Navigator\\4.5 (en)\\Main";
const char* const exchangeKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\EXCHNG32.EXE";
const char* const navigatorUserKey = "Software\\Netscape\\Netscape Navigator\\Main";

class AddWizard : public DialogTest {
protected:
    MailboxEntry entry;

    // Runs the wizard; drive gets the sheet once the first page shows.
    int run(std::function<void(HWND)> drive)
    {
        ModalScript script;
        script.on("Add Account Step 1", drive);
        int result = RunAddWizard(nullptr, GetModuleHandleA(nullptr), &entry);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }
    // Runs the wizard on another entry than the fixture's.
    int wizardRun(MailboxEntry& other, std::function<void(HWND)> drive)
    {
        ModalScript script;
        script.on("Add Account Step 1", drive);
        int result = RunAddWizard(nullptr, GetModuleHandleA(nullptr), &other);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }
    // Presses Next and tells the refusal shown, or "" when the wizard went on.
    std::string next(HWND sheet)
    {
        size_t boxes = ui.boxes.size();
        int before = pageNumber(sheet);
        press(sheet, PSBTN_NEXT);
        if (ui.boxes.size() == boxes) {
            EXPECT_EQ(before + 1, pageNumber(sheet));
            return "";
        }
        EXPECT_EQ(before, pageNumber(sheet)); // stays on the page
        EXPECT_EQ(currentPage(sheet), ui.boxes.back().owner);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), ui.boxes.back().type);
        return ui.boxes.back().caption + ": " + ui.boxes.back().text;
    }
    // Fills pages 1 to 3 and goes on to page 4.
    void toConnectionPage(HWND sheet)
    {
        setItemText(currentPage(sheet), IDC_WIZ_NAME, "box");
        next(sheet);
        setItemText(currentPage(sheet), IDC_WIZ_SERVER, "pop.example.com");
        next(sheet);
        setItemText(currentPage(sheet), IDC_WIZ_USER, "joe");
        setItemText(currentPage(sheet), IDC_WIZ_PASSWORD, "pw");
        next(sheet);
    }
    void toClientPage(HWND sheet)
    {
        toConnectionPage(sheet);
        next(sheet);
        next(sheet);
        next(sheet);
        ASSERT_EQ(7, pageNumber(sheet));
    }
};

TEST_F(AddWizard, WalksThroughEveryPageAndFinishes)
{
    ras.phonebook = { "Home", "Work" };
    files.answers = { "C:\\snd\\mail.wav", "C:\\snd\\none.wav" };
    int result = run([&](HWND sheet) {
        const char* titles[] = { "Add Account Step 1", "Add Account Step 2", "Add Account Step 3",
                                 "Add Account Step 4", "Add Account Step 5", "Add Account Step 6",
                                 "Add Account Step 7", "Add Account Step 8" };
        auto check = [&](int number) {
            settle();
            EXPECT_EQ(number, pageNumber(sheet));
            EXPECT_EQ(titles[number - 1], windowText(sheet));
            EXPECT_EQ(number > 1, itemEnabled(sheet, backButton)) << number;
            if (number < 8) {
                EXPECT_TRUE(itemEnabled(sheet, nextButton)) << number;
            }
        };
        check(1);
        setItemText(currentPage(sheet), IDC_WIZ_NAME, "home");
        EXPECT_EQ("", next(sheet));
        check(2);
        setItemText(currentPage(sheet), IDC_WIZ_SERVER, "pop.example.com");
        EXPECT_EQ("", next(sheet));
        check(3);
        setItemText(currentPage(sheet), IDC_WIZ_USER, "joe");
        setItemText(currentPage(sheet), IDC_WIZ_PASSWORD, "secret");
        EXPECT_EQ("", next(sheet));
        check(4);
        HWND page = currentPage(sheet);
        click(page, IDC_WIZ_DIAL_AS_NEEDED);
        SendDlgItemMessageA(page, IDC_WIZ_DIALUP, CB_SETCURSEL, 2, 0); // Work
        click(page, IDC_WIZ_HANG_UP);
        EXPECT_EQ("", next(sheet));
        check(5);
        page = currentPage(sheet);
        click(page, IDC_EMB_SATURDAY);
        setItemText(page, IDC_EMB_PERIOD_HOURS, "1");
        setItemText(page, IDC_EMB_PERIOD_MINUTES, "15");
        click(page, IDC_EMB_START_TIME_SET);
        setItemText(page, IDC_EMB_START_TIME, "07:30");
        EXPECT_EQ("", next(sheet));
        check(6);
        page = currentPage(sheet);
        click(page, IDC_ACT_PLAY_MAIL_SOUND);
        click(page, IDC_ACT_BROWSE_MAIL_SOUND);
        click(page, IDC_ACT_PLAY_NO_MAIL_SOUND);
        click(page, IDC_ACT_BROWSE_NO_MAIL_SOUND);
        EXPECT_EQ("C:\\snd\\none.wav", itemText(page, IDC_ACT_NO_MAIL_SOUND_FILE));
        EXPECT_EQ("", next(sheet));
        check(7);
        page = currentPage(sheet);
        click(page, IDC_ACT_RUN_MAIL_PROGRAM);
        setItemText(page, IDC_ACT_MAIL_PROGRAM_PATH, "C:\\mail\\mail.exe");
        setItemText(page, IDC_ACT_MAIL_PROGRAM_ARGS, "-inbox");
        EXPECT_EQ("", next(sheet));
        check(8);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(sheet, finishButton)));
        EXPECT_TRUE(itemEnabled(sheet, finishButton));
        press(sheet, PSBTN_FINISH);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(static_cast<int32_t>(PSN_WIZFINISH), wizardOutcome);
    EXPECT_STREQ("home", entry.name);
    EXPECT_STREQ("pop.example.com", entry.server);
    EXPECT_STREQ("joe", entry.user);
    EXPECT_STREQ("secret", entry.password);
    EXPECT_EQ(DialAsNeeded, entry.connectionMode);
    EXPECT_STREQ("Work", entry.dialupEntry);
    EXPECT_TRUE(entry.hangUpWhenDone);
    EXPECT_FALSE(entry.checkDays[6]);
    EXPECT_TRUE(entry.checkDays[0]);
    EXPECT_EQ(1, entry.periodHours);
    EXPECT_EQ(15, entry.periodMinutes);
    EXPECT_EQ(7, entry.startHour);
    EXPECT_EQ(30, entry.startMinute);
    EXPECT_EQ(-1, entry.endHour);
    EXPECT_TRUE(entry.playSoundOnMail);
    EXPECT_STREQ("C:\\snd\\mail.wav", entry.mailSoundFile);
    EXPECT_TRUE(entry.playSoundOnNoMail);
    EXPECT_STREQ("C:\\snd\\none.wav", entry.noMailSoundFile);
    EXPECT_TRUE(entry.runMailProgram);
    EXPECT_STREQ("C:\\mail\\mail.exe", entry.mailProgramPath);
    EXPECT_STREQ("-inbox", entry.mailProgramArgs);
    // What the wizard has no page for keeps its initial value.
    EXPECT_TRUE(entry.enabled);
    EXPECT_FALSE(entry.runShellCommand);
    ASSERT_EQ(2u, files.calls.size());
    EXPECT_EQ("WAV Sounds (*.wav)|*.wav", files.calls[0].filter);
    EXPECT_EQ("Select a .wav sound file", files.calls[1].title);
}

TEST_F(AddWizard, EachPageRefusesWhatIsMissing)
{
    int result = run([&](HWND sheet) {
        EXPECT_EQ(invalid + "You must supply a name", next(sheet));
        EXPECT_EQ(nullptr, entry.name);
        setItemText(currentPage(sheet), IDC_WIZ_NAME, std::string(400, 'n'));
        EXPECT_EQ("", next(sheet));
        EXPECT_EQ(std::string(259, 'n'), entry.name); // cut at the read limit
        EXPECT_EQ(invalid + "You must supply a server", next(sheet));
        setItemText(currentPage(sheet), IDC_WIZ_SERVER, "s");
        next(sheet);
        setItemText(currentPage(sheet), IDC_WIZ_PASSWORD, "pw");
        EXPECT_EQ(invalid + "You must supply a username", next(sheet));
        EXPECT_EQ(nullptr, entry.password);
        setItemText(currentPage(sheet), IDC_WIZ_USER, "joe");
        setItemText(currentPage(sheet), IDC_WIZ_PASSWORD, "");
        EXPECT_EQ(invalid + "You must supply a password", next(sheet));
        EXPECT_STREQ("joe", entry.user); // stored before the refusal
        setItemText(currentPage(sheet), IDC_WIZ_PASSWORD, "pw");
        next(sheet);
        EXPECT_EQ("", next(sheet)); // the connection page has no rule that can fail

        HWND page = currentPage(sheet);
        click(page, IDC_EMB_MONDAY);
        setItemText(page, IDC_EMB_PERIOD_HOURS, "0");
        setItemText(page, IDC_EMB_PERIOD_MINUTES, "0");
        EXPECT_EQ(invalid + "Period minute must be between 1 and 59, or 0 minutes and 1 or more hours.", next(sheet));
        EXPECT_FALSE(entry.checkDays[1]);
        setItemText(page, IDC_EMB_PERIOD_HOURS, "13");
        EXPECT_EQ(invalid + "Period hour must be between 0 and 12", next(sheet));
        setItemText(page, IDC_EMB_PERIOD_HOURS, "2");
        click(page, IDC_EMB_END_TIME_SET);
        setItemText(page, IDC_EMB_END_TIME, "18");
        EXPECT_EQ(invalid + "End minute must be between 0 and 59", next(sheet));
        EXPECT_EQ(18, entry.endHour);
        setItemText(page, IDC_EMB_END_TIME, "18:00");
        EXPECT_EQ("", next(sheet));

        page = currentPage(sheet);
        click(page, IDC_ACT_PLAY_MAIL_SOUND);
        EXPECT_EQ(invalid + "You must choose a .wav file to play.", next(sheet));
        EXPECT_TRUE(entry.playSoundOnMail);
        click(page, IDC_ACT_PLAY_MAIL_SOUND);
        click(page, IDC_ACT_PLAY_NO_MAIL_SOUND);
        EXPECT_EQ(invalid + "You must choose a .wav file to play for no email.", next(sheet));
        EXPECT_FALSE(entry.playSoundOnMail);
        EXPECT_TRUE(entry.playSoundOnNoMail);
        click(page, IDC_ACT_PLAY_NO_MAIL_SOUND);
        EXPECT_EQ("", next(sheet));

        page = currentPage(sheet);
        click(page, IDC_ACT_RUN_MAIL_PROGRAM);
        EXPECT_EQ(invalid + "You must enter the pathname of an email application.", next(sheet));
        EXPECT_TRUE(entry.runMailProgram);
        press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(0, result);
}

TEST_F(AddWizard, BackStoresNothingAndEachPageShowsWhatTheEntryHolds)
{
    run([&](HWND sheet) {
        toConnectionPage(sheet);
        press(sheet, PSBTN_BACK);
        ASSERT_EQ(3, pageNumber(sheet));
        EXPECT_EQ("joe", itemText(currentPage(sheet), IDC_WIZ_USER));
        setItemText(currentPage(sheet), IDC_WIZ_USER, "typed");
        press(sheet, PSBTN_BACK);
        EXPECT_STREQ("joe", entry.user);
        next(sheet);
        EXPECT_EQ("joe", itemText(currentPage(sheet), IDC_WIZ_USER));
        EXPECT_EQ("pw", itemText(currentPage(sheet), IDC_WIZ_PASSWORD));
        press(sheet, PSBTN_BACK);
        press(sheet, PSBTN_BACK);
        EXPECT_EQ("box", itemText(currentPage(sheet), IDC_WIZ_NAME));
        settle();
        EXPECT_FALSE(itemEnabled(sheet, backButton));

        // Page 7's texts are replaced only by fields that are set.
        entry.setMailProgramPath("C:\\stored.exe");
        toClientPage(sheet);
        HWND page = currentPage(sheet);
        EXPECT_EQ("C:\\stored.exe", itemText(page, IDC_ACT_MAIL_PROGRAM_PATH));
        setItemText(page, IDC_ACT_MAIL_PROGRAM_ARGS, "typed");
        press(sheet, PSBTN_BACK);
        next(sheet);
        EXPECT_EQ("typed", itemText(page, IDC_ACT_MAIL_PROGRAM_ARGS));
        press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(AddWizard, ConnectionPageOnANewEntryAndTheLan)
{
    ras.phonebook = { "Work", "Home" };
    run([&](HWND sheet) {
        toConnectionPage(sheet);
        HWND page = currentPage(sheet);
        EXPECT_TRUE(itemChecked(page, IDC_WIZ_WAIT_FOR_CONNECTION));
        EXPECT_FALSE(itemChecked(page, IDC_WIZ_DIAL_AS_NEEDED));
        EXPECT_FALSE(itemChecked(page, IDC_WIZ_ALWAYS_CONNECTED));
        EXPECT_EQ((std::vector<std::string>{ "Any dialup..", "Home", "Work" }), comboItems(page, IDC_WIZ_DIALUP));
        EXPECT_EQ("Any dialup..", comboSelection(page, IDC_WIZ_DIALUP));
        EXPECT_EQ(anyDialupMarker, SendDlgItemMessageA(page, IDC_WIZ_DIALUP, CB_GETITEMDATA, 0, 0));
        EXPECT_TRUE(itemEnabled(page, IDC_WIZ_DIALUP));
        EXPECT_NE(nullptr, controlByText(page, "Dial && connect automatically"));
        SendDlgItemMessageA(page, IDC_WIZ_DIALUP, CB_SETCURSEL, 1, 0);
        click(page, IDC_WIZ_HANG_UP);
        click(page, IDC_WIZ_ALWAYS_CONNECTED);
        EXPECT_FALSE(itemEnabled(page, IDC_WIZ_DIALUP));
        EXPECT_FALSE(itemEnabled(page, IDC_WIZ_HANG_UP));
        next(sheet);
        EXPECT_EQ(AlwaysConnected, entry.connectionMode);
        EXPECT_STREQ("Home", entry.dialupEntry); // greyed, still stored
        EXPECT_TRUE(entry.hangUpWhenDone);
        press(sheet, PSBTN_BACK);
        EXPECT_TRUE(itemChecked(page, IDC_WIZ_ALWAYS_CONNECTED));
        EXPECT_EQ("Home", comboSelection(page, IDC_WIZ_DIALUP));
        press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(AddWizard, ServerPageAsksWhetherTheServerNeedsTls)
{
    entry.setSecurity(SecuritySslTls); // what the main window gives a new entry
    entry.setPort(995);
    run([&](HWND sheet) {
        setItemText(currentPage(sheet), IDC_WIZ_NAME, "box");
        next(sheet);
        HWND page = currentPage(sheet);
        EXPECT_NE(nullptr, controlByText(page, "This server needs a secure connection (SSL/TLS)"));
        EXPECT_TRUE(itemChecked(page, IDC_WIZ_SECURE));

        // Refused for its empty server, the page stores nothing of its check box.
        click(page, IDC_WIZ_SECURE);
        EXPECT_EQ(invalid + "You must supply a server", next(sheet));
        EXPECT_EQ(SecuritySslTls, entry.security);

        setItemText(page, IDC_WIZ_SERVER, "pop.example.com");
        EXPECT_EQ("", next(sheet));
        EXPECT_EQ(SecurityNone, entry.security);
        EXPECT_EQ(0, entry.port); // the default port either way

        press(sheet, PSBTN_BACK);
        EXPECT_FALSE(itemChecked(page, IDC_WIZ_SECURE)); // shows what was stored
        click(page, IDC_WIZ_SECURE);
        entry.setPort(110);
        EXPECT_EQ("", next(sheet));
        EXPECT_EQ(SecuritySslTls, entry.security);
        EXPECT_EQ(0, entry.port);
        press(sheet, PSBTN_CANCEL);
    });

    // An entry that asks for STLS shows the box checked; without security it is unchecked.
    entry.setSecurity(SecurityStls);
    run([&](HWND sheet) {
        next(sheet);
        EXPECT_TRUE(itemChecked(currentPage(sheet), IDC_WIZ_SECURE));
        press(sheet, PSBTN_CANCEL);
    });
    entry.setSecurity(SecurityNone);
    run([&](HWND sheet) {
        next(sheet);
        EXPECT_FALSE(itemChecked(currentPage(sheet), IDC_WIZ_SECURE));
        press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(AddWizard, ServerPageChoosesTheProtocol)
{
    run([&](HWND sheet) {
        setItemText(currentPage(sheet), IDC_WIZ_NAME, "box");
        next(sheet);
        HWND page = currentPage(sheet);
        EXPECT_EQ((std::vector<std::string>{ "POP3", "IMAP" }), comboItems(page, IDC_WIZ_PROTOCOL));
        EXPECT_EQ("POP3", comboSelection(page, IDC_WIZ_PROTOCOL));
        setItemText(page, IDC_WIZ_SERVER, "imap.example.com");
        SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_SETCURSEL, 1, 0);
        EXPECT_EQ("", next(sheet));
        EXPECT_EQ(ProtocolImap, entry.protocol);
        EXPECT_TRUE(entry.watchContinuously);
        press(sheet, PSBTN_BACK);
        EXPECT_EQ("IMAP", comboSelection(page, IDC_WIZ_PROTOCOL)); // shows what was stored
        SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_SETCURSEL, 0, 0);
        EXPECT_EQ("", next(sheet));
        EXPECT_EQ(ProtocolPop3, entry.protocol);
        EXPECT_FALSE(entry.watchContinuously);
        press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(AddWizard, CancelFromAnyPageAnswersZero)
{
    for (int pages : { 1, 4, 8 }) {
        SCOPED_TRACE(pages);
        wizardOutcome = static_cast<int32_t>(PSN_WIZFINISH); // a previous run's outcome
        int result = run([&](HWND sheet) {
            if (pages >= 4)
                toConnectionPage(sheet);
            while (pageNumber(sheet) < pages)
                next(sheet);
            EXPECT_EQ(pages, pageNumber(sheet));
            press(sheet, PSBTN_CANCEL);
        });
        EXPECT_EQ(0, result);
        EXPECT_EQ(static_cast<int32_t>(PSN_RESET), wizardOutcome);
    }
    // The close box and Escape are Cancel as well.
    EXPECT_EQ(0, run([](HWND sheet) { SendMessageA(sheet, WM_CLOSE, 0, 0); }));
}

TEST_F(AddWizard, WithoutAnEntryItAnswersMinusOne)
{
    EXPECT_EQ(-1, RunAddWizard(nullptr, GetModuleHandleA(nullptr), nullptr));
    EXPECT_EQ("Tessary Fatal Error: bad pointer passed to AddWizard!", lastBox());
}

TEST_F(AddWizard, PageSevenWithNothingDetected)
{
    run([&](HWND sheet) {
        toClientPage(sheet);
        HWND page = currentPage(sheet);
        EXPECT_EQ(std::vector<std::string>{ "None detected" }, listItems(page, IDC_WIZ_CLIENT_LIST));
        EXPECT_EQ(-1, SendDlgItemMessageA(page, IDC_WIZ_CLIENT_LIST, LB_GETITEMDATA, 0, 0));
        for (int id : { IDC_ACT_MAIL_PROGRAM_PATH, IDC_ACT_MAIL_PROGRAM_ARGS, IDC_ACT_BROWSE_MAIL_PROGRAM,
                        IDC_WIZ_CLIENT_LIST })
            EXPECT_FALSE(itemEnabled(page, id)) << id;
        click(page, IDC_ACT_RUN_MAIL_PROGRAM);
        EXPECT_TRUE(itemEnabled(page, IDC_WIZ_CLIENT_LIST));
        click(page, IDC_ACT_RUN_MAIL_PROGRAM);
        select(page, IDC_WIZ_CLIENT_LIST, 0);
        EXPECT_FALSE(itemChecked(page, IDC_ACT_RUN_MAIL_PROGRAM));
        EXPECT_EQ("", itemText(page, IDC_ACT_MAIL_PROGRAM_PATH));
        EXPECT_EQ("", next(sheet));
        EXPECT_FALSE(entry.runMailProgram);
        press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(nullptr, clientCandidates); // freed with the page
}

TEST_F(AddWizard, PageSevenOffersTheDetectedPrograms)
{
    RegistryValues registry;
    registry.set(HKEY_LOCAL_MACHINE, navigator45Key, "Install Directory", REG_SZ, "C:\\NS");
    registry.set(HKEY_LOCAL_MACHINE, exchangeKey, nullptr, REG_SZ, "C:\\Exchange\\exchng32.exe");
    registry.set(HKEY_LOCAL_MACHINE, outlookKey, "InstallRoot", REG_EXPAND_SZ, "%ProgramFiles%\\OE");
    registry.set(HKEY_CURRENT_USER, navigatorUserKey, "Install Directory", REG_SZ, "D:\\Nav");
    files.answers = { "C:\\Other\\client.exe" };
    run([&](HWND sheet) {
        toClientPage(sheet);
        HWND page = currentPage(sheet);
        ASSERT_NE(nullptr, clientCandidates);
        EXPECT_EQ((std::vector<std::string>{ "Microsoft Exchange", "Netscape Navigator 4.5en",
                                             "Netscape Navigator some version" }),
                  listItems(page, IDC_WIZ_CLIENT_LIST));
        EXPECT_EQ(2, SendDlgItemMessageA(page, IDC_WIZ_CLIENT_LIST, LB_GETITEMDATA, 0, 0));
        EXPECT_EQ(3, SendDlgItemMessageA(page, IDC_WIZ_CLIENT_LIST, LB_GETITEMDATA, 1, 0));
        EXPECT_EQ(4, SendDlgItemMessageA(page, IDC_WIZ_CLIENT_LIST, LB_GETITEMDATA, 2, 0));

        select(page, IDC_WIZ_CLIENT_LIST, 1);
        EXPECT_TRUE(itemChecked(page, IDC_ACT_RUN_MAIL_PROGRAM));
        EXPECT_TRUE(itemEnabled(page, IDC_ACT_MAIL_PROGRAM_PATH));
        EXPECT_EQ("C:\\NS\\Program\\netscape.exe", itemText(page, IDC_ACT_MAIL_PROGRAM_PATH));
        EXPECT_EQ("-mail", itemText(page, IDC_ACT_MAIL_PROGRAM_ARGS));

        select(page, IDC_WIZ_CLIENT_LIST, 0);
        EXPECT_EQ("C:\\Exchange\\exchng32.exe", itemText(page, IDC_ACT_MAIL_PROGRAM_PATH));
        EXPECT_EQ("", itemText(page, IDC_ACT_MAIL_PROGRAM_ARGS));

        select(page, IDC_WIZ_CLIENT_LIST, 2);
        EXPECT_EQ("D:\\Nav\\Program\\netscape.exe", itemText(page, IDC_ACT_MAIL_PROGRAM_PATH));
        click(page, IDC_ACT_BROWSE_MAIL_PROGRAM);
        EXPECT_EQ("C:\\Other\\client.exe", itemText(page, IDC_ACT_MAIL_PROGRAM_PATH));
        EXPECT_EQ("", itemText(page, IDC_ACT_MAIL_PROGRAM_ARGS));
        EXPECT_EQ(LB_ERR, SendDlgItemMessageA(page, IDC_WIZ_CLIENT_LIST, LB_GETCURSEL, 0, 0));
        ASSERT_EQ(1u, files.calls.size());
        EXPECT_EQ("Applications (*.exe)|*.exe", files.calls[0].filter);
        EXPECT_EQ("Select an email application", files.calls[0].title);

        select(page, IDC_WIZ_CLIENT_LIST, 1);
        EXPECT_EQ("", next(sheet));
        press(sheet, PSBTN_FINISH);
    });
    EXPECT_TRUE(entry.runMailProgram);
    EXPECT_STREQ("C:\\NS\\Program\\netscape.exe", entry.mailProgramPath);
    EXPECT_STREQ("-mail", entry.mailProgramArgs);
}

TEST_F(AddWizard, RegistryStringsMustBeRegSzAndAreAlwaysTerminated)
{
    RegistryValues registry;
    const char* key = "SOFTWARE\\Netscape\\TessaryTest";
    registry.set(HKEY_LOCAL_MACHINE, key, "plain", REG_SZ, "C:\\Plain");
    registry.set(HKEY_LOCAL_MACHINE, key, "expand", REG_EXPAND_SZ, "%windir%");
    registry.set(HKEY_LOCAL_MACHINE, key, "bare", REG_SZ, "C:\\Bare", false);
    registry.set(HKEY_LOCAL_MACHINE, key, "long", REG_SZ, std::string(259, 'l')); // 260 bytes with its NUL
    char text[260];
    EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "plain", text));
    EXPECT_STREQ("C:\\Plain", text);
    EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "expand", text));
    memset(text, 'x', sizeof text);
    EXPECT_TRUE(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "bare", text));
    EXPECT_STREQ("C:\\Bare", text);
    EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "long", text));
    EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "missing", text));
    EXPECT_FALSE(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Netscape\\NoSuchKey", "plain", text));
}

// A list choice as the user makes it: the selection, then its notification.
void choose(HWND page, int comboId, int item)
{
    SendDlgItemMessageA(page, comboId, CB_SETCURSEL, item, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, comboId)));
}

// What the wizard should fill for an address of each provider, as the providers' help pages give it.
struct ProviderExpectation {
    const char* address;
    const char* server;
    int32_t protocol;
    int32_t security;
    int32_t port;
    int32_t signIn;
    const char* user;
};

const ProviderExpectation providerExpectations[] = {
    { "joe@gmail.com", "pop.gmail.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "joe@gmail.com" },
    { "Joe@GoogleMail.COM", "pop.gmail.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "Joe@GoogleMail.COM" },
    { "ann@outlook.com", "outlook.office365.com", ProtocolPop3, SecuritySslTls, 0, SignInMicrosoft, "ann@outlook.com" },
    { "ann@hotmail.com", "outlook.office365.com", ProtocolPop3, SecuritySslTls, 0, SignInMicrosoft, "ann@hotmail.com" },
    { "ann@live.com", "outlook.office365.com", ProtocolPop3, SecuritySslTls, 0, SignInMicrosoft, "ann@live.com" },
    { "ann@msn.com", "outlook.office365.com", ProtocolPop3, SecuritySslTls, 0, SignInMicrosoft, "ann@msn.com" },
    { "bo@yahoo.com", "pop.mail.yahoo.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "bo@yahoo.com" },
    { "cy@aol.com", "pop.aol.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "cy@aol.com" },
    { "di@gmx.de", "pop.gmx.net", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "di@gmx.de" },
    { "di@gmx.net", "pop.gmx.net", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "di@gmx.net" },
    { "di@gmx.com", "pop.gmx.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "di@gmx.com" },
    { "ed@web.de", "pop3.web.de", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "ed@web.de" },
    { "fay@icloud.com", "imap.mail.me.com", ProtocolImap, SecuritySslTls, 0, SignInPassword, "fay" },
    { "fay@me.com", "imap.mail.me.com", ProtocolImap, SecuritySslTls, 0, SignInPassword, "fay" },
    { "fay@mac.com", "imap.mail.me.com", ProtocolImap, SecuritySslTls, 0, SignInPassword, "fay" },
    { "gus@proton.me", "127.0.0.1", ProtocolImap, SecurityStls, 1143, SignInPassword, "gus@proton.me" },
    { "gus@protonmail.com", "127.0.0.1", ProtocolImap, SecurityStls, 1143, SignInPassword, "gus@protonmail.com" },
    { "hal@zoho.com", "pop.zoho.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "hal@zoho.com" },
    { "ida@yandex.ru", "pop.yandex.ru", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "ida@yandex.ru" },
    { "jo@mail.ru", "pop.mail.ru", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "jo@mail.ru" },
    { "kim@fastmail.com", "pop.fastmail.com", ProtocolPop3, SecuritySslTls, 0, SignInPassword, "kim@fastmail.com" },
};

// Each provider's address fills the server page and the sign-in page from the real templates, and
// the entry holds it all once the pages are left with Next.
TEST_F(AddWizard, EachProviderAddressFillsItsServerAndSignIn)
{
    const char* const protocolNames[] = { "POP3", "IMAP" };
    const char* const methodNames[] = { "Password", "Microsoft account (OAuth 2.0)", "Google account (OAuth 2.0)" };
    for (const ProviderExpectation& expected : providerExpectations) {
        SCOPED_TRACE(expected.address);
        MailboxEntry fresh;
        fresh.setSecurity(SecuritySslTls);
        wizardRun(fresh, [&](HWND sheet) {
            setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, std::string(" ") + expected.address + " ");
            ASSERT_EQ("", next(sheet));
            EXPECT_STREQ(expected.address, fresh.name); // the empty name became the address

            HWND page = currentPage(sheet);
            EXPECT_EQ(expected.server, itemText(page, IDC_WIZ_SERVER));
            EXPECT_EQ(protocolNames[expected.protocol], comboSelection(page, IDC_WIZ_PROTOCOL));
            EXPECT_TRUE(itemChecked(page, IDC_WIZ_SECURE));
            EXPECT_EQ(expected.port ? std::to_string(expected.port) : "", itemText(page, IDC_WIZ_PORT));
            EXPECT_EQ(expected.protocol == ProtocolImap, itemEnabled(page, IDC_WIZ_WATCH));
            EXPECT_TRUE(itemChecked(page, IDC_WIZ_WATCH));
            ASSERT_EQ("", next(sheet));

            page = currentPage(sheet);
            std::string advice = itemText(page, IDC_WIZ_ADVICE);
            EXPECT_FALSE(advice.empty());
            if (expected.protocol == ProtocolImap) {
                EXPECT_NE(std::string::npos, advice.find("has no POP3")) << advice;
            }
            EXPECT_EQ(methodNames[expected.signIn], comboSelection(page, IDC_WIZ_SIGN_IN));
            EXPECT_EQ(expected.user, itemText(page, IDC_WIZ_USER));
            EXPECT_EQ(expected.signIn == SignInPassword, itemEnabled(page, IDC_WIZ_PASSWORD));
            if (expected.signIn == SignInPassword)
                setItemText(page, IDC_WIZ_PASSWORD, "app-password");
            ASSERT_EQ("", next(sheet));
            press(sheet, PSBTN_CANCEL);
        });
        EXPECT_STREQ(expected.server, fresh.server);
        EXPECT_EQ(expected.protocol, fresh.protocol);
        EXPECT_EQ(expected.security, fresh.security);
        EXPECT_EQ(expected.port, fresh.port);
        EXPECT_EQ(expected.signIn, fresh.signIn);
        EXPECT_STREQ(expected.user, fresh.user);
        EXPECT_EQ(expected.protocol == ProtocolImap, fresh.watchContinuously);
        if (expected.signIn == SignInPassword) {
            EXPECT_STREQ("app-password", fresh.password);
        } else {
            EXPECT_STREQ(expected.address, fresh.account);
            EXPECT_EQ(nullptr, fresh.password); // a signed-in entry needs none
        }
    }
}

// An address the table does not know fills nothing: the fields keep what the entry held and the
// sign-in page says that the provider is unknown. Without an address the pages say nothing.
TEST_F(AddWizard, AnUnknownDomainLeavesTheFieldsToTheUser)
{
    entry.setSecurity(SecuritySslTls);
    run([&](HWND sheet) {
        setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, "joe@example.org");
        setItemText(currentPage(sheet), IDC_WIZ_NAME, "home box");
        ASSERT_EQ("", next(sheet));
        EXPECT_STREQ("home box", entry.name); // a name typed stays
        HWND page = currentPage(sheet);
        EXPECT_EQ("", itemText(page, IDC_WIZ_SERVER));
        EXPECT_EQ("POP3", comboSelection(page, IDC_WIZ_PROTOCOL));
        EXPECT_TRUE(itemChecked(page, IDC_WIZ_SECURE));
        EXPECT_EQ("", itemText(page, IDC_WIZ_PORT));
        EXPECT_EQ(invalid + "You must supply a server", next(sheet));
        setItemText(page, IDC_WIZ_SERVER, "mail.example.org");
        ASSERT_EQ("", next(sheet));
        page = currentPage(sheet);
        EXPECT_NE(std::string::npos, itemText(page, IDC_WIZ_ADVICE).find("does not know the provider"));
        EXPECT_EQ("", itemText(page, IDC_WIZ_USER));
        EXPECT_EQ("Password", comboSelection(page, IDC_WIZ_SIGN_IN));
        press(sheet, PSBTN_BACK);
        press(sheet, PSBTN_BACK);
        for (const char* address : { "", "no-at-sign.example.org", "joe@" }) {
            setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, address);
            ASSERT_EQ("", next(sheet));
            EXPECT_EQ("mail.example.org", itemText(currentPage(sheet), IDC_WIZ_SERVER)) << address;
            press(sheet, PSBTN_BACK);
        }
        setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, "");
        next(sheet);
        next(sheet);
        EXPECT_EQ("", itemText(currentPage(sheet), IDC_WIZ_ADVICE));
        press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(SignInPassword, entry.signIn);
    EXPECT_EQ(nullptr, entry.account);
}

// What the provider filled is the user's to change: a changed server survives Back and Next with
// the same address, a new address fills again, and the protocol list swaps the provider's servers.
TEST_F(AddWizard, FilledFieldsStayTheUsersToChange)
{
    run([&](HWND sheet) {
        setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, "joe@gmail.com");
        next(sheet);
        HWND page = currentPage(sheet);
        choose(page, IDC_WIZ_PROTOCOL, ProtocolImap);
        EXPECT_EQ("imap.gmail.com", itemText(page, IDC_WIZ_SERVER));
        EXPECT_TRUE(itemEnabled(page, IDC_WIZ_WATCH));
        click(page, IDC_WIZ_WATCH); // off
        ASSERT_EQ("", next(sheet));
        EXPECT_EQ(ProtocolImap, entry.protocol);
        EXPECT_FALSE(entry.watchContinuously);
        press(sheet, PSBTN_BACK);
        choose(page, IDC_WIZ_PROTOCOL, ProtocolPop3);
        EXPECT_EQ("pop.gmail.com", itemText(page, IDC_WIZ_SERVER));
        EXPECT_FALSE(itemEnabled(page, IDC_WIZ_WATCH));
        setItemText(page, IDC_WIZ_SERVER, "pop.mirror.example");
        choose(page, IDC_WIZ_PROTOCOL, ProtocolImap); // a server the user typed stays
        EXPECT_EQ("pop.mirror.example", itemText(page, IDC_WIZ_SERVER));
        choose(page, IDC_WIZ_PROTOCOL, ProtocolPop3);
        setItemText(page, IDC_WIZ_PORT, "99999");
        EXPECT_EQ(invalid + "Port must be a number from 1 to 65535", next(sheet));
        setItemText(page, IDC_WIZ_PORT, "1995");
        click(page, IDC_WIZ_SECURE); // off
        ASSERT_EQ("", next(sheet));
        EXPECT_EQ(SecurityNone, entry.security);
        EXPECT_EQ(1995, entry.port);

        // The same address again fills nothing; the page shows what the user chose.
        press(sheet, PSBTN_BACK);
        press(sheet, PSBTN_BACK);
        EXPECT_EQ("joe@gmail.com", itemText(currentPage(sheet), IDC_WIZ_ADDRESS));
        next(sheet);
        page = currentPage(sheet);
        EXPECT_EQ("pop.mirror.example", itemText(page, IDC_WIZ_SERVER));
        EXPECT_EQ("1995", itemText(page, IDC_WIZ_PORT));
        EXPECT_FALSE(itemChecked(page, IDC_WIZ_SECURE));

        // Another address fills its provider's settings over them.
        press(sheet, PSBTN_BACK);
        setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, "ann@outlook.com");
        next(sheet);
        page = currentPage(sheet);
        EXPECT_EQ("outlook.office365.com", itemText(page, IDC_WIZ_SERVER));
        EXPECT_EQ("", itemText(page, IDC_WIZ_PORT));
        EXPECT_TRUE(itemChecked(page, IDC_WIZ_SECURE));
        EXPECT_STREQ("joe@gmail.com", entry.name); // the name given earlier stays
        press(sheet, PSBTN_CANCEL);
    });
}

// The sign-in page: a Microsoft or Google sign-in needs no password but a secure connection, and
// signs in with the address; going back to the password asks for one again.
TEST_F(AddWizard, SignInPageChoosesHowToSignIn)
{
    run([&](HWND sheet) {
        setItemText(currentPage(sheet), IDC_WIZ_ADDRESS, "joe@example.org");
        next(sheet);
        HWND page = currentPage(sheet);
        setItemText(page, IDC_WIZ_SERVER, "mail.example.org");
        EXPECT_FALSE(itemChecked(page, IDC_WIZ_SECURE)); // a new entry's plain POP3
        next(sheet);
        page = currentPage(sheet);
        EXPECT_EQ((std::vector<std::string>{ "Password", "Microsoft account (OAuth 2.0)", "Google account (OAuth 2.0)" }),
                  comboItems(page, IDC_WIZ_SIGN_IN));
        setItemText(page, IDC_WIZ_USER, "joe");
        choose(page, IDC_WIZ_SIGN_IN, SignInGoogle);
        EXPECT_FALSE(itemEnabled(page, IDC_WIZ_PASSWORD));
        EXPECT_EQ(invalid + "A Microsoft or Google sign-in needs a secure connection: choose SSL/TLS or STLS.",
                  next(sheet));
        press(sheet, PSBTN_BACK);
        click(currentPage(sheet), IDC_WIZ_SECURE); // on
        next(sheet);
        page = currentPage(sheet);
        choose(page, IDC_WIZ_SIGN_IN, SignInGoogle);
        ASSERT_EQ("", next(sheet));
        EXPECT_EQ(SignInGoogle, entry.signIn);
        EXPECT_STREQ("joe@example.org", entry.account);
        press(sheet, PSBTN_BACK);
        page = currentPage(sheet);
        EXPECT_EQ("Google account (OAuth 2.0)", comboSelection(page, IDC_WIZ_SIGN_IN));
        choose(page, IDC_WIZ_SIGN_IN, SignInPassword);
        EXPECT_TRUE(itemEnabled(page, IDC_WIZ_PASSWORD));
        EXPECT_EQ(invalid + "You must supply a password", next(sheet));
        setItemText(page, IDC_WIZ_PASSWORD, "pw");
        ASSERT_EQ("", next(sheet));
        EXPECT_EQ(SignInPassword, entry.signIn);
        press(sheet, PSBTN_CANCEL);
    });
}

} // namespace
