// The scripted IMAP server: a thread per connection on non-blocking sockets with short waits,
// so that a client that stops talking, or a test that ends, never leaves a thread stuck.
#include "support/scripted_imap_server.h"
#include <algorithm>
#include <cctype>

namespace {

const long sliceMs = 50;

bool ready(SOCKET s, bool forWriting)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait = { 0, sliceMs * 1000 };
    int result = forWriting ? select(0, nullptr, &set, nullptr, &wait) : select(0, &set, nullptr, nullptr, &wait);
    return result > 0;
}

std::string upperCase(std::string text)
{
    for (char& c : text)
        c = char(toupper(static_cast<unsigned char>(c)));
    return text;
}

// The numbers a sequence set names among 1..highest ("2:4,7"); "*" is highest.
std::vector<uint32_t> numbersOf(const std::string& set, uint32_t highest)
{
    std::vector<uint32_t> numbers;
    size_t at = 0;
    while (at < set.size()) {
        size_t end = set.find(',', at);
        std::string part = set.substr(at, end == std::string::npos ? std::string::npos : end - at);
        size_t colon = part.find(':');
        auto value = [&](const std::string& text) {
            return text == "*" ? highest : uint32_t(strtoul(text.c_str(), nullptr, 10));
        };
        uint32_t first = value(part.substr(0, colon));
        uint32_t last = colon == std::string::npos ? first : value(part.substr(colon + 1));
        if (first > last)
            std::swap(first, last);
        for (uint32_t n = first; n <= last && n - first < 200000; ++n)
            numbers.push_back(n);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return numbers;
}

// The astrings of a LOGIN line: quoted strings (escapes undone), literals in order, atoms.
std::vector<std::string> astrings(const ImapTestCommand& command)
{
    std::vector<std::string> values;
    const std::string& text = command.arguments;
    size_t literal = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
        } else if (text[i] == '"') {
            std::string value;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                value += text[i];
            }
            ++i;
            values.push_back(value);
        } else if (text[i] == '{') {
            i = text.find('}', i);
            i = i == std::string::npos ? text.size() : i + 1;
            values.push_back(literal < command.literals.size() ? command.literals[literal++] : "");
        } else {
            size_t end = text.find(' ', i);
            values.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
            i = end == std::string::npos ? text.size() : end;
        }
    }
    return values;
}

} // namespace

std::string decodeBase64(const std::string& text)
{
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t group = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        size_t value = digits.find(c);
        if (value == std::string::npos)
            return "";
        group = (group << 6) | uint32_t(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((group >> bits) & 0xFF);
        }
    }
    return out;
}

bool ImapTestConnection::send(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (server_.stopping())
            return false;
        if (!ready(socket_, true))
            continue;
        int piece = int(std::min<size_t>(bytes.size() - sent, 16384));
        int result = ::send(socket_, bytes.data() + sent, piece, 0);
        if (result == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        sent += size_t(result);
    }
    return true;
}

bool ImapTestConnection::readSome()
{
    for (DWORD waited = 0; waited < 20000; waited += sliceMs) {
        if (server_.stopping())
            return false;
        if (!ready(socket_, false))
            continue;
        char buffer[4096];
        int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
            continue;
        if (got <= 0)
            return false;
        pending_.append(buffer, size_t(got));
        return true;
    }
    return false;
}

bool ImapTestConnection::readLine(std::string& line)
{
    for (;;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return true;
        }
        if (!readSome())
            return false;
    }
}

bool ImapTestConnection::readBytes(size_t count, std::string& bytes)
{
    while (pending_.size() < count)
        if (!readSome())
            return false;
    bytes = pending_.substr(0, count);
    pending_.erase(0, count);
    return true;
}

size_t ImapTestConnection::linesWaiting(DWORD withinMs)
{
    for (DWORD waited = 0; waited < withinMs; waited += sliceMs) {
        if (!ready(socket_, false))
            continue;
        char buffer[4096];
        int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got > 0)
            pending_.append(buffer, size_t(got));
        else if (got == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
            break;
    }
    size_t lines = 0;
    for (size_t at = pending_.find("\r\n"); at != std::string::npos; at = pending_.find("\r\n", at + 2))
        ++lines;
    return lines;
}

void ImapTestConnection::close()
{
    shutdown(socket_, SD_BOTH);
}

void ImapTestConnection::hold()
{
    while (!server_.stopping()) {
        if (!ready(socket_, false))
            continue;
        char buffer[4096];
        int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got == 0 || (got == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK))
            return;
    }
}

ScriptedImapServer::ScriptedImapServer()
{
    // A test fixture may hold a server before it starts Winsock itself.
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 8);
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    u_long nonBlocking = 1;
    ioctlsocket(listener_, FIONBIO, &nonBlocking);
}

ScriptedImapServer::~ScriptedImapServer()
{
    stopping_ = true;
    if (acceptor_.joinable())
        acceptor_.join();
    std::vector<std::thread> sessions;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        sessions.swap(sessions_);
    }
    for (std::thread& session : sessions)
        session.join();
    closesocket(listener_);
    WSACleanup();
}

void ScriptedImapServer::start()
{
    acceptor_ = std::thread([this] { acceptLoop(); });
}

void ScriptedImapServer::acceptLoop()
{
    while (!stopping_) {
        if (!ready(listener_, false))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        ++connections_;
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        std::lock_guard<std::mutex> hold(mutex_);
        sessions_.emplace_back([this, client] {
            serve(client);
            closesocket(client);
        });
    }
}

std::vector<ImapTestCommand> ScriptedImapServer::commands()
{
    std::lock_guard<std::mutex> hold(mutex_);
    return commands_;
}

std::vector<std::string> ScriptedImapServer::verbs()
{
    std::vector<std::string> verbs;
    for (const ImapTestCommand& command : commands())
        verbs.push_back(command.verb);
    return verbs;
}

bool ScriptedImapServer::readCommand(ImapTestConnection& connection, ImapTestCommand& command)
{
    std::string line;
    if (!connection.readLine(line))
        return false;
    command = ImapTestCommand();
    if (line == "DONE") { // the end of IDLE carries no tag
        command.verb = "DONE";
        std::lock_guard<std::mutex> hold(mutex_);
        commands_.push_back(command);
        return true;
    }
    size_t space = line.find(' ');
    command.tag = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    // A line that announces a literal goes on after it: "+" first, then the bytes, then the rest.
    for (std::string segment = rest; !segment.empty() && segment.back() == '}'; segment = line) {
        size_t open = segment.rfind('{');
        size_t size = open == std::string::npos ? 0 : strtoul(segment.c_str() + open + 1, nullptr, 10);
        if (!connection.send("+ go ahead\r\n"))
            return false;
        std::string literal;
        if (!connection.readBytes(size, literal) || !connection.readLine(line))
            return false;
        command.literals.push_back(literal);
        rest += line;
    }
    space = rest.find(' ');
    command.verb = upperCase(rest.substr(0, space));
    if (command.verb == "IDLE")
        idleTag_ = command.tag; // DONE, which carries no tag, ends this command
    command.arguments = space == std::string::npos ? "" : rest.substr(space + 1);
    if (command.verb == "UID") {
        space = command.arguments.find(' ');
        command.verb += " " + upperCase(command.arguments.substr(0, space));
        command.arguments = space == std::string::npos ? "" : command.arguments.substr(space + 1);
    }
    std::lock_guard<std::mutex> hold(mutex_);
    commands_.push_back(command);
    return true;
}

void ScriptedImapServer::serve(SOCKET client)
{
    ImapTestConnection connection(client, *this);
    if (!connection.send(greeting))
        return;
    ImapTestCommand command;
    while (!stopping_ && readCommand(connection, command)) {
        if (override && override(connection, command))
            continue;
        if (!answer(connection, command))
            return;
    }
}

bool ScriptedImapServer::answerFetch(ImapTestConnection& connection, const ImapTestCommand& command, bool byUid)
{
    std::string set = command.arguments.substr(0, command.arguments.find(' '));
    bool withHeader = upperCase(command.arguments).find("BODY.PEEK[HEADER]") != std::string::npos;
    uint32_t highest = messages.empty() ? 0 : (byUid ? messages.back().uid : uint32_t(messages.size()));
    std::string out;
    for (uint32_t n : numbersOf(set, highest)) {
        for (size_t i = 0; i < messages.size(); ++i) {
            if ((byUid ? messages[i].uid : uint32_t(i + 1)) != n)
                continue;
            out += "* " + std::to_string(i + 1) + " FETCH (UID " + std::to_string(messages[i].uid);
            if (withHeader)
                out += " BODY[HEADER] {" + std::to_string(messages[i].header.size()) + "}\r\n" + messages[i].header;
            out += ")\r\n";
        }
    }
    return connection.send(out + command.tag + " OK FETCH done\r\n");
}

bool ScriptedImapServer::answer(ImapTestConnection& connection, const ImapTestCommand& command)
{
    const std::string refusedLogin = " NO [AUTHENTICATIONFAILED] Authentication failed.\r\n";
    const std::string& tag = command.tag;
    if (command.verb == "CAPABILITY")
        return connection.send("* CAPABILITY " + capabilities + "\r\n" + tag + " OK CAPABILITY done\r\n");
    if (command.verb == "LOGIN") {
        std::vector<std::string> values = astrings(command);
        bool good = values.size() == 2 && values[0] == user && values[1] == password;
        return connection.send(tag + (good ? " OK logged in\r\n" : refusedLogin));
    }
    if (command.verb == "AUTHENTICATE") {
        std::string answer;
        if (!connection.send("+ \r\n") || !connection.readLine(answer))
            return false;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            commands_.back().literals.push_back(answer);
        }
        bool good = decodeBase64(answer) == std::string(1, '\0') + user + std::string(1, '\0') + password;
        return connection.send(tag + (good ? " OK logged in\r\n" : refusedLogin));
    }
    if (command.verb == "EXAMINE") {
        std::vector<std::string> values = astrings(command);
        std::string folder = values.empty() ? "" : values[0];
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            return connection.send(tag + " NO Mailbox doesn't exist: " + folder + "\r\n");
        return connection.send("* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n* " +
                               std::to_string(messages.size()) + " EXISTS\r\n* 0 RECENT\r\n* OK [UIDVALIDITY " +
                               std::to_string(uidValidity) + "] UIDs valid\r\n" + tag +
                               " OK [READ-ONLY] Examine completed\r\n");
    }
    if (command.verb == "FETCH")
        return answerFetch(connection, command, false);
    if (command.verb == "UID FETCH")
        return answerFetch(connection, command, true);
    if (command.verb == "IDLE")
        return connection.send("+ idling\r\n");
    if (command.verb == "DONE")
        return connection.send(idleTag_ + " OK Idle completed.\r\n");
    if (command.verb == "NOOP")
        return connection.send(tag + " OK NOOP done\r\n");
    if (command.verb == "LOGOUT") {
        connection.send("* BYE Logging out\r\n" + tag + " OK Logout completed.\r\n");
        return false;
    }
    return connection.send(tag + " BAD Error in IMAP command\r\n");
}
