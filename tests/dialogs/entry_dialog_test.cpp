// The edit mailbox entry dialog on its real template: what a new entry shows, every field rule
// with its message and what it leaves stored (the connection security fields among them), the
// dial-up combo box over a fake phonebook, the enabling rules, the tab order and the close box.
#include "dialog_test.h"
#include "dialogs/dialup_combo.h"
#include "support/seam_override.h"
#include "dialogs/entry_dialog.h"
#include "resources/resource.h"

namespace {

const char* const caption = "Edit email box watch";
const char* const invalid = "Tessary: Invalid input: ";

void fillValid(HWND dialog)
{
    setItemText(dialog, IDC_EMB_NAME, "box");
    setItemText(dialog, IDC_EMB_SERVER, "pop.example.com");
    setItemText(dialog, IDC_EMB_USER, "joe");
    setItemText(dialog, IDC_EMB_PASSWORD, "pw");
}

class EntryDialog : public DialogTest {
protected:
    MailboxEntry entry;

    // Runs the dialog with the steps given, one per dialog state.
    INT_PTR run(std::vector<std::function<void(HWND)>> steps, const char* title = caption)
    {
        ModalScript script;
        for (auto& step : steps)
            script.on(title, step);
        INT_PTR result = OpenEntryDialog(nullptr, &entry);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }
    // Fills the valid texts, lets change alter the controls, presses OK once and closes the
    // dialog with Cancel if it stayed open. The message of a refusal, or "".
    std::string okWith(std::function<void(HWND)> change)
    {
        size_t boxes = ui.boxes.size();
        bool stayed = false;
        run({ [&](HWND dialog) {
            fillValid(dialog);
            change(dialog);
            click(dialog, IDOK);
            stayed = IsWindow(dialog) && IsWindowVisible(dialog);
            if (stayed)
                click(dialog, IDCANCEL);
        } });
        if (ui.boxes.size() == boxes) {
            EXPECT_FALSE(stayed);
            return "";
        }
        EXPECT_TRUE(stayed);
        EXPECT_EQ(boxes + 1, ui.boxes.size());
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), ui.boxes.back().type);
        return ui.boxes.back().caption + ": " + ui.boxes.back().text;
    }
};

TEST_F(EntryDialog, ANewEntryShowsTheInitialValues)
{
    ras.phonebook = { "Work" };
    INT_PTR result = run({ [](HWND dialog) {
        for (int id : { IDC_EMB_NAME, IDC_EMB_SERVER, IDC_EMB_USER, IDC_EMB_PASSWORD })
            EXPECT_EQ("", itemText(dialog, id));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_WAIT_FOR_CONNECTION));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_DIAL_AS_NEEDED));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_ALWAYS_CONNECTED));
        EXPECT_EQ("Any dialup..", comboSelection(dialog, IDC_EMB_DIALUP));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_HANG_UP));
        for (const char* day : { "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday" })
            EXPECT_EQ(BST_CHECKED, SendMessageA(controlByText(dialog, day), BM_GETCHECK, 0, 0)) << day;
        EXPECT_EQ("0", itemText(dialog, IDC_EMB_PERIOD_HOURS));
        EXPECT_EQ("30", itemText(dialog, IDC_EMB_PERIOD_MINUTES));
        EXPECT_EQ(13u, comboItems(dialog, IDC_EMB_PERIOD_HOURS).size());
        EXPECT_EQ("12", comboItems(dialog, IDC_EMB_PERIOD_HOURS).back());
        EXPECT_EQ(60u, comboItems(dialog, IDC_EMB_PERIOD_MINUTES).size());
        EXPECT_EQ("59", comboItems(dialog, IDC_EMB_PERIOD_MINUTES).back());
        EXPECT_EQ("00:00", itemText(dialog, IDC_EMB_START_TIME));
        EXPECT_EQ("23:59", itemText(dialog, IDC_EMB_END_TIME));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_START_TIME_SET));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_END_TIME_SET));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_START_TIME));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_END_TIME));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_ENABLED));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_DISABLED));
        EXPECT_EQ((std::vector<std::string>{ "None", "STLS", "SSL/TLS" }), comboItems(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("None", comboSelection(dialog, IDC_EMB_SECURITY)); // what the entry itself starts with
        EXPECT_EQ("", itemText(dialog, IDC_EMB_PORT));
        EXPECT_EQ("", itemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY));
        click(dialog, IDCANCEL);
    } });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(EntryDialog, TabOrderFollowsTheFields)
{
    run({ [](HWND dialog) {
        const int order[] = { IDC_EMB_NAME,
                              IDC_EMB_SERVER,
                              IDC_EMB_USER,
                              IDC_EMB_PASSWORD,
                              IDC_EMB_PROTOCOL,
                              IDC_EMB_SECURITY,
                              IDC_EMB_PORT,
                              IDC_EMB_TRUSTED_CERTIFICATE,
                              IDC_EMB_ANNOUNCE_NEW_ONLY, // the folder and watching are greyed for POP3
                              IDC_EMB_WAIT_FOR_CONNECTION, // the checked one of the connection buttons
                              IDC_EMB_DIALUP,
                              IDC_EMB_HANG_UP,
                              IDC_EMB_MONDAY };
        HWND at = GetDlgItem(dialog, order[0]);
        for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
            at = GetNextDlgTabItem(dialog, at, FALSE);
            ASSERT_EQ(order[i], GetDlgCtrlID(at)) << "after " << order[i - 1];
        }
        click(dialog, IDCANCEL);
    } });
}

TEST_F(EntryDialog, SecurityPortCertificateAndAnnouncingRoundTrip)
{
    const std::string thumbprint(64, 'C');
    entry.setSecurity(SecurityStls);
    entry.setPort(2110);
    entry.setTrustedCertificate(thumbprint.c_str());
    entry.setAnnounceNewOnly(true);
    EXPECT_EQ(IDOK, run({ [&](HWND dialog) {
        EXPECT_EQ("STLS", comboSelection(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("2110", itemText(dialog, IDC_EMB_PORT));
        EXPECT_EQ(thumbprint, itemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY));
        fillValid(dialog);
        click(dialog, IDOK);
    } }));
    EXPECT_EQ(SecurityStls, entry.security);
    EXPECT_EQ(2110, entry.port);
    EXPECT_EQ(thumbprint, entry.trustedCertificate);
    EXPECT_TRUE(entry.announceNewOnly);

    // Each one changed through the dialog; empty fields go back to the default port and no certificate.
    EXPECT_EQ("", okWith([](HWND dialog) {
                  SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, 2, 0);
                  setItemText(dialog, IDC_EMB_PORT, "");
                  setItemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE, "");
                  click(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY);
              }));
    EXPECT_EQ(SecuritySslTls, entry.security);
    EXPECT_EQ(0, entry.port);
    EXPECT_EQ(nullptr, entry.trustedCertificate);
    EXPECT_FALSE(entry.announceNewOnly);

    EXPECT_EQ("", okWith([](HWND dialog) {
                  EXPECT_EQ("SSL/TLS", comboSelection(dialog, IDC_EMB_SECURITY));
                  EXPECT_EQ("", itemText(dialog, IDC_EMB_PORT)); // 0 shows as the default
                  SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, 0, 0);
                  click(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY);
              }));
    EXPECT_EQ(SecurityNone, entry.security);
    EXPECT_TRUE(entry.announceNewOnly);

    // A security value the program does not know shows as None, and Cancel leaves it alone.
    entry.setSecurity(9);
    run({ [](HWND dialog) {
        EXPECT_EQ("None", comboSelection(dialog, IDC_EMB_SECURITY));
        click(dialog, IDCANCEL);
    } });
    EXPECT_EQ(9, entry.security);
}

// Chooses a list item the way the user does: the selection, then the owner hears of the change.
void choose(HWND dialog, int id, int item)
{
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, item, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST_F(EntryDialog, ProtocolNamesTheSecurityTheDefaultPortAndTheFolder)
{
    EXPECT_EQ(IDOK, run({ [&](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{ "POP3", "IMAP" }), comboItems(dialog, IDC_EMB_PROTOCOL));
        EXPECT_EQ("POP3", comboSelection(dialog, IDC_EMB_PROTOCOL));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_FOLDER));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_WATCH));
        EXPECT_EQ("(empty: 110)", itemText(dialog, IDC_EMB_PORT_DEFAULT));
        choose(dialog, IDC_EMB_SECURITY, SecuritySslTls);
        EXPECT_EQ("(empty: 995)", itemText(dialog, IDC_EMB_PORT_DEFAULT));

        setItemText(dialog, IDC_EMB_PORT, "995");
        choose(dialog, IDC_EMB_PROTOCOL, ProtocolImap);
        EXPECT_EQ((std::vector<std::string>{ "None", "STARTTLS", "SSL/TLS" }), comboItems(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("SSL/TLS", comboSelection(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("(empty: 993)", itemText(dialog, IDC_EMB_PORT_DEFAULT));
        EXPECT_EQ("", itemText(dialog, IDC_EMB_PORT)); // POP3's own port would reach the wrong service
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_FOLDER));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_WATCH)); // on by default for IMAP
        choose(dialog, IDC_EMB_SECURITY, SecurityStls);
        EXPECT_EQ("STARTTLS", comboSelection(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("(empty: 143)", itemText(dialog, IDC_EMB_PORT_DEFAULT));
        setItemText(dialog, IDC_EMB_PORT, "10143");
        setItemText(dialog, IDC_EMB_FOLDER, "Lists/Tessary");
        fillValid(dialog);
        click(dialog, IDOK);
    } }));
    EXPECT_EQ(ProtocolImap, entry.protocol);
    EXPECT_EQ(SecurityStls, entry.security);
    EXPECT_EQ(10143, entry.port);
    EXPECT_STREQ("Lists/Tessary", entry.folder);
    EXPECT_TRUE(entry.watchContinuously);

    // Shown again as stored; an empty folder is INBOX, stored as none; back to POP3 names STLS.
    EXPECT_EQ("", okWith([](HWND dialog) {
                  EXPECT_EQ("IMAP", comboSelection(dialog, IDC_EMB_PROTOCOL));
                  EXPECT_EQ("STARTTLS", comboSelection(dialog, IDC_EMB_SECURITY));
                  EXPECT_EQ("Lists/Tessary", itemText(dialog, IDC_EMB_FOLDER));
                  EXPECT_EQ("10143", itemText(dialog, IDC_EMB_PORT)); // not a standard port: kept
                  EXPECT_TRUE(itemChecked(dialog, IDC_EMB_WATCH));
                  setItemText(dialog, IDC_EMB_FOLDER, "");
                  choose(dialog, IDC_EMB_PROTOCOL, ProtocolPop3);
                  EXPECT_EQ("STLS", comboSelection(dialog, IDC_EMB_SECURITY));
                  EXPECT_EQ("10143", itemText(dialog, IDC_EMB_PORT));
              }));
    EXPECT_EQ(ProtocolPop3, entry.protocol);
    EXPECT_EQ(SecurityStls, entry.security);
    EXPECT_EQ(nullptr, entry.folder);
    EXPECT_FALSE(entry.watchContinuously); // POP3 entries never watch
}

TEST_F(EntryDialog, PortRule)
{
    const std::string refused = std::string(invalid) + "Port must be a number from 1 to 65535";
    struct Case {
        const char* text;
        bool accepted;
        int32_t stored;
    };
    const Case cases[] = {
        { "", true, 0 },       { "1", true, 1 },      { "65535", true, 65535 }, { "0000995", true, 995 },
        { "0", false, 77 },    { "65536", false, 77 }, { "-1", false, 77 },     { " 995", false, 77 },
        { "99x", false, 77 },  { "4294967297", false, 77 }, // would wrap around to 1 in 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        entry.setPort(77);
        entry.setSecurity(SecurityNone);
        std::string shown = okWith([&](HWND dialog) {
            SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, 1, 0);
            setItemText(dialog, IDC_EMB_PORT, c.text);
        });
        EXPECT_EQ(c.accepted ? "" : refused, shown);
        EXPECT_EQ(c.stored, entry.port);
        EXPECT_EQ(SecurityStls, entry.security); // the field before it is stored either way
    }
}

TEST_F(EntryDialog, TrustedCertificateRule)
{
    const std::string refused =
        std::string(invalid) + "The trusted certificate must be 64 hexadecimal digits (SHA-256).";
    const std::string digits = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";
    std::string lowerWithColons;
    for (size_t i = 0; i < digits.size(); i += 2)
        lowerWithColons += (i ? ":" : "") + digits.substr(i, 2);
    for (char& c : lowerWithColons)
        c = static_cast<char>(tolower(c));
    std::string spaced;
    for (size_t i = 0; i < digits.size(); i += 4)
        spaced += digits.substr(i, 4) + " ";
    struct Case {
        std::string text;
        const char* stored; // null: refused, the old value kept; "" for null stored
    };
    const Case cases[] = {
        { digits, digits.c_str() },
        { lowerWithColons, digits.c_str() },
        { " " + spaced, digits.c_str() },
        { "", "" },
        { " : :: ", "" }, // nothing but separators is an empty field
        { digits.substr(1), nullptr },
        { digits + "0", nullptr },
        { digits.substr(1) + "G", nullptr },
        { digits.substr(0, 32) + "-" + digits.substr(32), nullptr }, // only colons and spaces are dropped
        { std::string(2000, 'a'), nullptr },
    };
    const char* const kept = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        entry.setTrustedCertificate(kept);
        entry.setPort(0);
        std::string shown = okWith([&](HWND dialog) {
            setItemText(dialog, IDC_EMB_PORT, "995");
            setItemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE, c.text);
        });
        EXPECT_EQ(c.stored ? "" : refused, shown);
        if (!c.stored)
            EXPECT_STREQ(kept, entry.trustedCertificate);
        else if (*c.stored == '\0')
            EXPECT_EQ(nullptr, entry.trustedCertificate);
        else
            EXPECT_STREQ(c.stored, entry.trustedCertificate);
        EXPECT_EQ(995, entry.port);
    }
}

TEST_F(EntryDialog, TheNewRulesRunBetweenThePasswordAndTheConnection)
{
    // A missing password is told first; nothing after it is stored.
    EXPECT_EQ(std::string(invalid) + "You must supply the password used to access your email.",
              okWith([](HWND dialog) {
                  setItemText(dialog, IDC_EMB_PASSWORD, "");
                  SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, 2, 0);
                  setItemText(dialog, IDC_EMB_PORT, "0");
              }));
    EXPECT_EQ(SecurityNone, entry.security);

    // A refused port comes before a refused certificate.
    EXPECT_EQ(std::string(invalid) + "Port must be a number from 1 to 65535", okWith([](HWND dialog) {
                  setItemText(dialog, IDC_EMB_PORT, "70000");
                  setItemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE, "xyz");
              }));

    // A refused certificate stops the rules: announcing, the connection and the schedule keep
    // their values, although the period is refused too.
    EXPECT_EQ(std::string(invalid) + "The trusted certificate must be 64 hexadecimal digits (SHA-256).",
              okWith([](HWND dialog) {
                  setItemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE, "xyz");
                  click(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY);
                  click(dialog, IDC_EMB_DIAL_AS_NEEDED);
                  setItemText(dialog, IDC_EMB_PERIOD_MINUTES, "0");
              }));
    EXPECT_FALSE(entry.announceNewOnly);
    EXPECT_EQ(WaitForConnection, entry.connectionMode);

    // Announcing is stored before the later rules refuse.
    EXPECT_EQ(std::string(invalid) + "Period minute must be between 1 and 59, or 0 minutes and 1 or more hours.",
              okWith([](HWND dialog) {
                  click(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY);
                  setItemText(dialog, IDC_EMB_PERIOD_MINUTES, "0");
              }));
    EXPECT_TRUE(entry.announceNewOnly);
}

TEST_F(EntryDialog, AStoredEntryIsShownAndStoredBackUnchanged)
{
    ras.phonebook = { "Home", "Work" };
    entry.setName("n");
    entry.setServer("s");
    entry.setUser("u");
    entry.setPassword("p");
    entry.connectionMode = DialAsNeeded;
    entry.setDialupEntry("Work");
    entry.hangUpWhenDone = true;
    bool days[7] = { false, true, false, true, false, true, false };
    entry.setCheckDays(days);
    entry.periodHours = 2;
    entry.periodMinutes = 5;
    entry.startHour = 7;
    entry.startMinute = 5;
    entry.endHour = 18;
    entry.endMinute = 45;
    entry.enabled = false;
    EXPECT_EQ(IDOK, run({ [](HWND dialog) {
        EXPECT_EQ("p", itemText(dialog, IDC_EMB_PASSWORD));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_DIAL_AS_NEEDED));
        EXPECT_EQ("Work", comboSelection(dialog, IDC_EMB_DIALUP));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_HANG_UP));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_MONDAY));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_SUNDAY));
        EXPECT_EQ("07:05", itemText(dialog, IDC_EMB_START_TIME));
        EXPECT_EQ("18:45", itemText(dialog, IDC_EMB_END_TIME));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_START_TIME_SET));
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_END_TIME));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_DISABLED));
        click(dialog, IDOK);
    } }));
    EXPECT_STREQ("n", entry.name);
    EXPECT_STREQ("Work", entry.dialupEntry);
    EXPECT_EQ(DialAsNeeded, entry.connectionMode);
    EXPECT_TRUE(entry.hangUpWhenDone);
    bool stored[7];
    entry.getCheckDays(stored);
    EXPECT_EQ(0, memcmp(days, stored, sizeof days));
    EXPECT_EQ(2, entry.periodHours);
    EXPECT_EQ(5, entry.periodMinutes);
    EXPECT_EQ(7, entry.startHour);
    EXPECT_EQ(45, entry.endMinute);
    EXPECT_FALSE(entry.enabled);
}

TEST_F(EntryDialog, AnUnknownConnectionModeBecomesTheLan)
{
    entry.connectionMode = 7;
    run({ [](HWND dialog) {
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_ALWAYS_CONNECTED));
        click(dialog, IDCANCEL);
    } });
    EXPECT_EQ(AlwaysConnected, entry.connectionMode);
}

TEST_F(EntryDialog, TheTextRulesStopAtTheFirstEmptyField)
{
    EXPECT_EQ(std::string(invalid) +
                  "You must supply a friendly name to identify this entry. This can be your email address, or "
                  "something else that will help you remember what it is.",
              okWith([](HWND dialog) {
                  setItemText(dialog, IDC_EMB_NAME, "");
                  setItemText(dialog, IDC_EMB_SERVER, "");
              }));
    EXPECT_EQ(nullptr, entry.name);
    EXPECT_EQ(nullptr, entry.server);

    EXPECT_EQ(std::string(invalid) + "You must supply a server domain name or dotted IP.",
              okWith([](HWND dialog) { setItemText(dialog, IDC_EMB_SERVER, ""); }));
    EXPECT_STREQ("box", entry.name);

    EXPECT_EQ(std::string(invalid) + "You must supply the user, or mailbox name used to access your email.",
              okWith([](HWND dialog) { setItemText(dialog, IDC_EMB_USER, ""); }));
    EXPECT_STREQ("pop.example.com", entry.server);

    EXPECT_EQ(std::string(invalid) + "You must supply the password used to access your email.",
              okWith([](HWND dialog) {
                  setItemText(dialog, IDC_EMB_PASSWORD, "");
                  click(dialog, IDC_EMB_DIAL_AS_NEEDED);
              }));
    EXPECT_STREQ("joe", entry.user);
    EXPECT_EQ(nullptr, entry.password);
    EXPECT_EQ(WaitForConnection, entry.connectionMode); // later rules did not run
}

TEST_F(EntryDialog, PeriodRules)
{
    const std::string hourMessage = std::string(invalid) + "Period hour must be between 0 and 12";
    const std::string minuteMessage =
        std::string(invalid) + "Period minute must be between 1 and 59, or 0 minutes and 1 or more hours.";
    struct Case {
        const char* hours;
        const char* minutes;
        bool accepted;
        const std::string* message;
        int32_t storedHours;
        int32_t storedMinutes;
    };
    const Case cases[] = {
        { "13", "0", false, &hourMessage, 0, 30 },
        { "-1", "10", false, &hourMessage, 0, 30 },
        { "4294967308", "10", false, &hourMessage, 0, 30 }, // too large to wrap around into 0..12
        { "abc", "0", false, &minuteMessage, 0, 30 },
        { "0", "0", false, &minuteMessage, 0, 30 },
        { "0", "60", false, &minuteMessage, 0, 30 },
        { "1", "0", true, nullptr, 1, 0 },
        { "0", "59", true, nullptr, 0, 59 },
        { "12", "59", true, nullptr, 12, 59 },
        { " 3x", "+7", true, nullptr, 3, 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.hours) + " / " + c.minutes);
        entry.periodHours = 0;
        entry.periodMinutes = 30;
        std::string shown = okWith([&](HWND dialog) {
            click(dialog, IDC_EMB_SUNDAY); // the day rule runs before the period rules
            setItemText(dialog, IDC_EMB_PERIOD_HOURS, c.hours);
            setItemText(dialog, IDC_EMB_PERIOD_MINUTES, c.minutes);
        });
        EXPECT_EQ(c.accepted ? "" : *c.message, shown);
        EXPECT_EQ(c.storedHours, entry.periodHours);
        EXPECT_EQ(c.storedMinutes, entry.periodMinutes);
        EXPECT_FALSE(entry.checkDays[0]);
        entry.checkDays[0] = true;
    }
}

TEST_F(EntryDialog, StartAndEndTimeRules)
{
    const std::string startHour = std::string(invalid) + "Start hour must be between 0 and 23";
    const std::string startMinute = std::string(invalid) + "Start minute must be between 0 and 59";
    struct Case {
        const char* text;
        const std::string* message;
        int32_t hour;
        int32_t minute;
    };
    const Case cases[] = {
        { "8", &startMinute, 8, 0 }, // no colon: the hour is stored, the minute refused
        { "8:", nullptr, 8, 0 },
        { "8:30", nullptr, 8, 30 },
        { "24:00", &startHour, -1, 0 },
        { "7:60", &startMinute, 7, 0 },
        { "", &startMinute, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        entry.startHour = -1;
        entry.startMinute = 0;
        std::string shown = okWith([&](HWND dialog) {
            click(dialog, IDC_EMB_START_TIME_SET);
            EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_START_TIME));
            setItemText(dialog, IDC_EMB_START_TIME, c.text);
        });
        EXPECT_EQ(c.message ? *c.message : "", shown);
        EXPECT_EQ(c.hour, entry.startHour);
        EXPECT_EQ(c.minute, entry.startMinute);
    }

    // A refused end time leaves the accepted start time stored.
    entry.startHour = -1;
    entry.endHour = -1;
    EXPECT_EQ(std::string(invalid) + "End hour must be between 0 and 23", okWith([](HWND dialog) {
                  click(dialog, IDC_EMB_START_TIME_SET);
                  setItemText(dialog, IDC_EMB_START_TIME, "9:15");
                  click(dialog, IDC_EMB_END_TIME_SET);
                  setItemText(dialog, IDC_EMB_END_TIME, "25:00");
              }));
    EXPECT_EQ(9, entry.startHour);
    EXPECT_EQ(15, entry.startMinute);
    EXPECT_EQ(-1, entry.endHour);
    EXPECT_EQ(std::string(invalid) + "End minute must be between 0 and 59", okWith([](HWND dialog) {
                  click(dialog, IDC_EMB_END_TIME_SET);
                  setItemText(dialog, IDC_EMB_END_TIME, "17");
              }));
    EXPECT_EQ(17, entry.endHour);

    // Unchecked boxes store -1 whatever their fields hold, and keep the minutes.
    entry.startHour = 6;
    entry.startMinute = 40;
    entry.endHour = 20;
    EXPECT_EQ("", okWith([](HWND dialog) {
                  click(dialog, IDC_EMB_START_TIME_SET);
                  click(dialog, IDC_EMB_END_TIME_SET);
                  EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_START_TIME));
                  setItemText(dialog, IDC_EMB_START_TIME, "99:99");
              }));
    EXPECT_EQ(-1, entry.startHour);
    EXPECT_EQ(40, entry.startMinute);
    EXPECT_EQ(-1, entry.endHour);
}

TEST_F(EntryDialog, DisabledAndLongTexts)
{
    std::string longName(2000, 'n');
    EXPECT_EQ("", okWith([&](HWND dialog) {
                  setItemText(dialog, IDC_EMB_NAME, longName);
                  click(dialog, IDC_EMB_DISABLED);
                  EXPECT_FALSE(itemChecked(dialog, IDC_EMB_ENABLED));
                  EXPECT_TRUE(itemChecked(dialog, IDC_EMB_WAIT_FOR_CONNECTION)); // a group of its own
              }));
    EXPECT_FALSE(entry.enabled);
    EXPECT_EQ(std::string(1022, 'n'), entry.name);
}

TEST_F(EntryDialog, DialupComboFindsTheStoredEntryByItsBeginning)
{
    ras.phonebook = { "Workplace", "Home" };
    entry.setDialupEntry("Work");
    run({ [](HWND dialog) {
        EXPECT_EQ((std::vector<std::string>{ "Any dialup..", "Home", "Workplace" }), comboItems(dialog, IDC_EMB_DIALUP));
        EXPECT_EQ(anyDialupMarker, SendDlgItemMessageA(dialog, IDC_EMB_DIALUP, CB_GETITEMDATA, 0, 0));
        EXPECT_EQ(0, SendDlgItemMessageA(dialog, IDC_EMB_DIALUP, CB_GETITEMDATA, 1, 0));
        EXPECT_EQ("Workplace", comboSelection(dialog, IDC_EMB_DIALUP));
        fillValid(dialog);
        click(dialog, IDOK);
    } });
    EXPECT_STREQ("Workplace", entry.dialupEntry);

    // "Any dialup.." stands for no particular entry.
    run({ [](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_EMB_DIALUP, CB_SETCURSEL, 0, 0);
        click(dialog, IDOK);
    } });
    EXPECT_EQ(nullptr, entry.dialupEntry);

    ras.phonebook = { "Home" };
    entry.setDialupEntry("Work");
    run({ [](HWND dialog) {
        EXPECT_EQ("Any dialup..", comboSelection(dialog, IDC_EMB_DIALUP));
        click(dialog, IDCANCEL);
    } });
}

TEST_F(EntryDialog, NoPhonebookLeavesOnlyAnyDialup)
{
    entry.setDialupEntry("Gone");
    run({ [](HWND dialog) {
        EXPECT_EQ(std::vector<std::string>{ "Any dialup.." }, comboItems(dialog, IDC_EMB_DIALUP));
        EXPECT_EQ("Any dialup..", comboSelection(dialog, IDC_EMB_DIALUP));
        fillValid(dialog);
        click(dialog, IDOK);
    } });
    EXPECT_EQ(nullptr, entry.dialupEntry);
}

// Windows 95 without Dial-Up Networking: the entry is still edited, with nothing to choose.
TEST_F(EntryDialog, WithoutRemoteAccessOnlyAnyDialupIsOfferedAndNothingFails)
{
    SeamOverride<RasCalls> noRemoteAccess(rasCalls, bindRemoteAccess(nullptr));
    run({ [](HWND dialog) {
        EXPECT_EQ(std::vector<std::string>{ "Any dialup.." }, comboItems(dialog, IDC_EMB_DIALUP));
        fillValid(dialog);
        click(dialog, IDOK);
    } });
    EXPECT_FALSE(fatalErrorRaised);
    EXPECT_TRUE(ui.boxes.empty()) << lastBox();
}

TEST_F(EntryDialog, LanGreysTheDialupChoiceButStillStoresIt)
{
    ras.phonebook = { "Home", "Work" };
    run({ [](HWND dialog) {
        fillValid(dialog);
        SendDlgItemMessageA(dialog, IDC_EMB_DIALUP, CB_SETCURSEL, 1, 0);
        click(dialog, IDC_EMB_HANG_UP);
        click(dialog, IDC_EMB_ALWAYS_CONNECTED);
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_DIALUP));
        EXPECT_FALSE(itemEnabled(dialog, IDC_EMB_HANG_UP));
        click(dialog, IDC_EMB_DIAL_AS_NEEDED);
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_DIALUP));
        EXPECT_TRUE(itemEnabled(dialog, IDC_EMB_HANG_UP));
        click(dialog, IDC_EMB_ALWAYS_CONNECTED);
        click(dialog, IDOK);
    } });
    EXPECT_EQ(AlwaysConnected, entry.connectionMode);
    EXPECT_STREQ("Home", entry.dialupEntry);
    EXPECT_TRUE(entry.hangUpWhenDone);
}

TEST_F(EntryDialog, PhonebookFailuresAreFatal)
{
    ras.failingEntryCalls = { 1 };
    EXPECT_EQ(IDCANCEL, OpenEntryDialog(nullptr, &entry));
    EXPECT_EQ("Tessary Fatal Error: RasEnumEntries failed: error 621", lastBox());
    drainQuitMessage();

    // The second call, which fills the records, can fail too.
    ras.phonebook = { "Home" };
    ras.failingEntryCalls = { 3 };
    EXPECT_EQ(IDCANCEL, OpenEntryDialog(nullptr, &entry));
    EXPECT_EQ("Tessary Fatal Error: RasEnumEntries failed: error 621", lastBox());
    drainQuitMessage();

    EXPECT_EQ(IDCANCEL, OpenEntryDialog(nullptr, nullptr));
    EXPECT_EQ("Tessary Fatal Error: Invalid ptr passed to EMBdlg", lastBox());
}

TEST_F(EntryDialog, TheCloseBoxCountsAsCancel)
{
    INT_PTR result = run({ [](HWND dialog) {
        fillValid(dialog);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    } });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(nullptr, entry.name);
}

TEST_F(EntryDialog, TitleHelpAndTheActionsDialogOnTheSameEntry)
{
    entry.runShellCommand = true;
    entry.setShellCommand("print");
    entryDialogTitle = "Add new mailbox entry";
    ModalScript script;
    script.on("Add new mailbox entry", [](HWND dialog) {
        click(dialog, IDC_EMB_HELP);
        click(dialog, IDC_EMB_SET_ACTIONS); // the next step runs inside
        click(dialog, IDCANCEL);
    });
    script.on("Set actions to be taken", [](HWND actions) {
        EXPECT_TRUE(itemChecked(actions, IDC_ACT_RUN_SHELL_COMMAND));
        EXPECT_EQ("print", itemText(actions, IDC_ACT_SHELL_COMMAND));
        EXPECT_NE(nullptr, GetWindow(actions, GW_OWNER));
        EXPECT_EQ("Add new mailbox entry", windowText(GetWindow(actions, GW_OWNER)));
        click(actions, IDCANCEL);
    });
    INT_PTR result = OpenEntryDialog(nullptr, &entry);
    entryDialogTitle = nullptr;
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(std::vector<std::string>{ "Tessary.chm::/mailbox.htm" }, ui.helpTopics);
}

TEST_F(EntryDialog, WhatTheActionsDialogStoredStaysAfterCancel)
{
    ModalScript script;
    script.on(caption, [](HWND dialog) {
        click(dialog, IDC_EMB_SET_ACTIONS);
        click(dialog, IDCANCEL);
    });
    script.on("Set actions to be taken", [](HWND actions) {
        click(actions, IDC_ACT_RUN_MAIL_PROGRAM);
        setItemText(actions, IDC_ACT_MAIL_PROGRAM_PATH, "C:\\mail.exe");
        click(actions, IDOK);
    });
    EXPECT_EQ(IDCANCEL, OpenEntryDialog(nullptr, &entry));
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_TRUE(entry.runMailProgram);
    EXPECT_STREQ("C:\\mail.exe", entry.mailProgramPath);
}

} // namespace
