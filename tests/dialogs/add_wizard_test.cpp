// The add account wizard on its real page templates: Next and Back through the eight pages, every
// page rule (the server page's secure connection box among them), how a run ends, and the
// detection of e-mail programs from registry values written in the Wine prefix for the test.
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

} // namespace
