// The table of mail providers and the look-up by an address's domain. Each row names the page its
// server settings were taken from; where a provider's own page was not at hand, the page quoting it.
#include "dialogs/mail_providers.h"
#include "storage/mailbox_entry.h"
#include <cstring>

namespace {

const MailProvider providers[] = {
    // https://www.techwalla.com/articles/pop-settings-for-gmail (pop.gmail.com 995 SSL, full
    // address; POP is switched on under "Forwarding and POP/IMAP"); Gmail's IMAP help as quoted at
    // https://en.wiewird.com/post/how-do-i-find-incoming-mail-server/amp (imap.gmail.com 993 SSL)
    { "Gmail", "gmail.com googlemail.com", "pop.gmail.com", "imap.gmail.com", 0, SecuritySslTls, SignInPassword,
      UserIsFullAddress,
      "Gmail: switch POP on in Gmail's settings (Forwarding and POP/IMAP), then make an app password in your Google "
      "account and enter it as the password, or choose the sign-in \"Google account (OAuth 2.0)\"." },
    // https://support.microsoft.com/en-us/office/pop-imap-and-smtp-settings-8361e398-8af4-4e97-b147-6c6c4ac95353
    // (outlook.office365.com, POP 995 and IMAP 993 SSL/TLS, OAuth2 only; POP is off by default)
    { "Outlook.com", "outlook.com hotmail.com live.com msn.com hotmail.co.uk hotmail.fr hotmail.de hotmail.it "
                     "live.co.uk live.fr live.de outlook.de outlook.fr",
      "outlook.office365.com", "outlook.office365.com", 0, SecuritySslTls, SignInMicrosoft, UserIsFullAddress,
      "Outlook.com takes no passwords: sign in with your Microsoft account (Edit, \"Sign in...\" once the wizard is "
      "done). First switch \"Let devices and apps use POP\" on in Outlook.com's settings (Mail, Forwarding and "
      "IMAP)." },
    // https://unanswered.io/guide/yahoo-mail-protocols-imap-pop-smtp-settings (pop.mail.yahoo.com 995,
    // imap.mail.yahoo.com 993, SSL, app password); https://www.lifewire.com/manage-app-passwords-imap-pop-yahoo-1174448
    { "Yahoo", "yahoo.com ymail.com rocketmail.com yahoo.co.uk yahoo.de yahoo.fr yahoo.it yahoo.es",
      "pop.mail.yahoo.com", "imap.mail.yahoo.com", 0, SecuritySslTls, SignInPassword, UserIsFullAddress,
      "Yahoo takes app passwords only: make one in your Yahoo account (Account security, Generate app password) and "
      "enter it as the password." },
    // AOL's help "AOL Mail POP and IMAP settings" as quoted at
    // https://enow.com/content;_ylt=Awrhck5sh4Bnah0Dkk6oCmVH (full address, SSL on);
    // https://mailrecovery.medium.com/how-to-setup-your-aol-server-settings-12b54de373a7 (IMAP 993 SSL)
    { "AOL", "aol.com aim.com", "pop.aol.com", "imap.aol.com", 0, SecuritySslTls, SignInPassword, UserIsFullAddress,
      "AOL takes app passwords only: make one in your AOL account (Account security, Generate app password) and "
      "enter it as the password." },
    // https://www.antwort.net/a/technologie/wie-lauten-die-gmx-mail-pop-einstellungen.html (pop.gmx.net
    // 995 SSL/TLS); https://support.gmx.com/pop-imap/imap/imap.html
    { "GMX", "gmx.de gmx.net gmx.at gmx.ch", "pop.gmx.net", "imap.gmx.net", 0, SecuritySslTls, SignInPassword,
      UserIsFullAddress,
      "GMX: switch POP3 and IMAP access on in GMX's web mail first (Settings, POP3 & IMAP)." },
    // https://support.gmx.com/pop-imap/imap/imap.html (GMX.com's own servers for its .com addresses)
    { "GMX.com", "gmx.com gmx.us", "pop.gmx.com", "imap.gmx.com", 0, SecuritySslTls, SignInPassword,
      UserIsFullAddress, "GMX: switch POP3 and IMAP access on in GMX's web mail first (Settings, POP3 & IMAP)." },
    // http://heise.de/newsticker/meldung/Web-de-goes-IMAP-36463.html (imap.web.de);
    // https://hilfe.web.de/email/einstellungen/sammeldienst.html
    { "WEB.DE", "web.de", "pop3.web.de", "imap.web.de", 0, SecuritySslTls, SignInPassword, UserIsFullAddress,
      "WEB.DE: switch \"POP3/IMAP Abruf\" on in WEB.DE's web mail first (Einstellungen, POP3/IMAP Abruf)." },
    // https://support.postbox-inc.com/hc/en-us/articles/202200110-Setting-up-iCloud-Me-or-Mac
    // (imap.mail.me.com 993 SSL/TLS, user name without the domain, app-specific password);
    // https://clean.email/blog/email-settings/icloud-email-settings (no POP)
    { "iCloud", "icloud.com me.com mac.com", nullptr, "imap.mail.me.com", 0, SecuritySslTls, SignInPassword,
      UserIsLocalPart,
      "iCloud Mail has no POP3, so Tessary watches it over IMAP. Make an app-specific password at "
      "appleid.apple.com and enter it as the password." },
    // https://proton.me/support/protonmail-bridge-faq (the Bridge's own password);
    // https://forge.blacksky.community/ssp.sh/neomd/commit/7a9bf7f18f9067ef9b0da1d89102c66e6e7eb2c3
    // (the Bridge's IMAP on 127.0.0.1:1143 with STARTTLS)
    { "Proton Mail", "proton.me protonmail.com protonmail.ch pm.me", nullptr, "127.0.0.1", 1143, SecurityStls,
      SignInPassword, UserIsFullAddress,
      "Proton Mail has no POP3 and no IMAP of its own: run Proton Mail Bridge and enter the password it shows; "
      "Tessary watches the Bridge over IMAP (trust its certificate in the entry's Edit dialog)." },
    // http://www.zoho.com/mail/help/pop-access.html (pop.zoho.com 995 SSL, full address, POP switched on
    // in the settings); https://pixelkicks.freshdesk.com/support/solutions/articles/241553-zoho-mail-pop-configuration
    // (no POP for free accounts made since 2019)
    { "Zoho Mail", "zoho.com zohomail.com", "pop.zoho.com", "imap.zoho.com", 0, SecuritySslTls, SignInPassword,
      UserIsFullAddress,
      "Zoho: switch POP access on in Zoho Mail's settings (free accounts made since 2019 have none: choose IMAP), "
      "and with two-factor sign-in make an application-specific password." },
    // https://tl.termotools.com/5561-abviewer-110.html (Yandex's own steps: imap.yandex.ru 993 SSL,
    // mail programs switched on under "Mail clients")
    { "Yandex", "yandex.ru yandex.com ya.ru yandex.by yandex.kz yandex.ua", "pop.yandex.ru", "imap.yandex.ru", 0,
      SecuritySslTls, SignInPassword, UserIsFullAddress,
      "Yandex: allow access by mail programs in Yandex Mail's settings (Mail clients), then make an app password "
      "in your Yandex ID and enter it as the password." },
    // https://expertnov.ru/raznoe/nastrojka-mail-imap-nastrojka-pochtovyx-yashhikov-mail-ru-yandex-ru-gmail-com-rambler-ru-texnicheskie-xarakteristiki-i-ogranicheniya-pochtovyx-serverov-dannyx-sluzhb-2.html
    // (Help Mail.ru as quoted there: full address, SSL)
    { "Mail.ru", "mail.ru inbox.ru list.ru bk.ru internet.ru", "pop.mail.ru", "imap.mail.ru", 0, SecuritySslTls,
      SignInPassword, UserIsFullAddress,
      "Mail.ru asks mail programs for a password of their own: make a password for external applications in "
      "your account's security settings and enter it as the password." },
    // https://www.fastmail.com/help/technical/servernamesandports.html (pop.fastmail.com 995,
    // imap.fastmail.com 993, SSL/TLS only, full address, app password)
    { "Fastmail", "fastmail.com fastmail.fm", "pop.fastmail.com", "imap.fastmail.com", 0, SecuritySslTls,
      SignInPassword, UserIsFullAddress,
      "Fastmail takes app passwords only: make one in Fastmail's settings (Privacy & Security) and enter it as "
      "the password." },
};

const size_t providerCount = sizeof providers / sizeof providers[0];

// Domains are compared in ASCII, whatever the user's locale.
char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameLetters(const char* a, const char* b, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

// Whether the blank-separated list names the domain as a whole word.
bool listsDomain(const char* list, const char* domain, size_t length)
{
    for (const char* word = list; *word;) {
        const char* end = std::strchr(word, ' ');
        size_t wordLength = end ? size_t(end - word) : std::strlen(word);
        if (wordLength == length && sameLetters(word, domain, length))
            return true;
        if (!end)
            break;
        word = end + 1;
    }
    return false;
}

} // namespace

const MailProvider* MailProviderFor(const char* address)
{
    const char* at = address ? std::strrchr(address, '@') : nullptr;
    if (!at)
        return nullptr;
    const char* domain = at + 1;
    size_t length = std::strlen(domain);
    while (length > 0 && (domain[length - 1] == ' ' || domain[length - 1] == '.'))
        --length; // a blank or a full stop typed after the address
    if (length == 0)
        return nullptr;
    for (const MailProvider& provider : providers)
        if (listsDomain(provider.domains, domain, length))
            return &provider;
    return nullptr;
}

const MailProvider* MailProviders(size_t& count)
{
    count = providerCount;
    return providers;
}

int32_t ProviderProtocol(const MailProvider& provider)
{
    return provider.popServer ? ProtocolPop3 : ProtocolImap;
}

const char* ProviderServer(const MailProvider& provider, int32_t protocol)
{
    return protocol == ProtocolImap ? provider.imapServer : provider.popServer;
}

std::string ProviderUser(const MailProvider& provider, const char* address)
{
    std::string user = address ? address : "";
    while (!user.empty() && (user.back() == ' ' || user.back() == '.'))
        user.pop_back();
    if (provider.userName == UserIsLocalPart)
        user = user.substr(0, user.rfind('@'));
    return user;
}
