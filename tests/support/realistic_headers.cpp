// Building realistic header blocks of a chosen size from the kinds of fields real mail carries.
#include "support/realistic_headers.h"
#include <vector>

namespace {

// A small deterministic generator, so that a failing test sees the same block again.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    std::string base64(size_t length)
    {
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string text(length, 'A');
        for (char& c : text)
            c = alphabet[next() % 64];
        return text;
    }
    std::string hex(size_t length)
    {
        std::string text(length, '0');
        for (char& c : text)
            c = "0123456789abcdef"[next() % 16];
        return text;
    }

private:
    uint32_t state_;
};

// name: value, folded after foldAt bytes of each line (0: never) with a tab, as signers do.
std::string field(const std::string& name, const std::string& value, size_t foldAt = 0)
{
    std::string line = name + ": ";
    if (!foldAt)
        return line + value + "\r\n";
    size_t room = foldAt > line.size() ? foldAt - line.size() : 1;
    line += value.substr(0, room);
    for (size_t at = room; at < value.size(); at += foldAt)
        line += "\r\n\t" + value.substr(at, foldAt);
    return line + "\r\n";
}

std::string received(Noise& noise, int hop)
{
    std::string from = hop % 2 ? "AM6PR02MB" + std::to_string(4000 + noise.next() % 999) + ".eurprd02.prod.outlook.com"
                               : "mail-" + noise.hex(6) + ".lists.example.org";
    return "Received: from " + from + " (2603:10a6:20b:" + noise.hex(3) + "::" + noise.hex(2) + ")\r\n"
           " by DB9PR0" + std::to_string(hop) + "CA0012.outlook.office365.com (2603:10a6:10:1d9::" + noise.hex(2) +
           ") with Microsoft SMTP Server (version=TLS1_2,\r\n"
           " cipher=TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384) id 15.20.7" + std::to_string(noise.next() % 1000) +
           ".12; Tue, 4 Jun 2024 0" + std::to_string(hop % 10) + ":12:" + std::to_string(10 + noise.next() % 50) +
           " +0000\r\n";
}

// The fields of one kind after another, round and round, as many as the caller takes.
std::string nextField(Noise& noise, int round)
{
    switch (round % 12) {
    case 0:
        return received(noise, round);
    case 1:
        return field("DKIM-Signature",
                     "v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; s=selector" + std::to_string(round) +
                         "; h=from:to:subject:date:message-id; bh=" + noise.base64(44) + "; b=" + noise.base64(344),
                     76);
    case 2:
        return field("ARC-Seal", "i=" + std::to_string(round % 5 + 1) + "; a=rsa-sha256; s=arcselector10001; d=microsoft.com; cv=none; b=" +
                                     noise.base64(344), 76) +
               field("ARC-Message-Signature", "i=1; a=rsa-sha256; c=relaxed/relaxed; d=microsoft.com; s=arcselector10001; "
                                              "h=From:Date:Subject:Message-ID:Content-Type:MIME-Version; bh=" +
                                                  noise.base64(44) + "; b=" + noise.base64(344), 76) +
               field("ARC-Authentication-Results", "i=1; mx.microsoft.com 1; spf=pass smtp.mailfrom=example.com; "
                                                   "dmarc=pass action=none header.from=example.com; dkim=pass "
                                                   "header.d=example.com; arc=none", 78);
    case 3:
        return field("Authentication-Results", "spf=pass (sender IP is 40.107." + std::to_string(noise.next() % 255) +
                                                   ".1) smtp.mailfrom=example.com; dkim=pass (signature was verified) "
                                                   "header.d=example.com;dmarc=pass action=none header.from=example.com;",
                     78);
    case 4:
        // An unfolded physical line past RFC 5322's 998 bytes, as seen in the wild.
        return field("X-MS-Exchange-CrossTenant-Network-Message-Id", noise.base64(990));
    case 5:
        return field("X-Microsoft-Antispam-Message-Info", noise.base64(3000), 76);
    case 6:
        return field("X-MS-Exchange-AntiSpam-MessageData-ChunkCount", "1") +
               field("X-MS-Exchange-AntiSpam-MessageData-0", noise.base64(2400), 76);
    case 7:
        return field("List-Id", "<kernel-dev.lists.example.org>") +
               field("List-Unsubscribe", "<mailto:kernel-dev+unsubscribe@lists.example.org>, "
                                         "<https://lists.example.org/unsubscribe/" + noise.hex(32) + ">") +
               field("List-Archive", "<https://lore.example.org/kernel-dev/>") +
               field("List-Post", "<mailto:kernel-dev@lists.example.org>");
    case 8:
        // Raw 8-bit text: UTF-8 in one field, Latin-1 in another, no encoded words around them.
        return field("X-Original-Sender-Name", "J\xc3\xbcrgen M\xc3\xbcller \xe2\x80\x94 \xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82") +
               field("X-Original-Organization", "Soci\xe9t\xe9 G\xe9n\xe9rale, Z\xfcrich");
    case 9:
        return field("Thread-Topic", "=?utf-8?B?w4RuZGVydW5nIGRlciBaZWl0cGzDpG5lIGbDvHIgZGllIFdvY2hl?=") +
               field("Thread-Index", noise.base64(120));
    case 10:
        return field("X-Microsoft-Antispam", "BCL:0;ARA:13230040|1800799024|366016|376014|" + noise.hex(400), 78);
    default:
        return field("X-MS-Exchange-Transport-CrossTenantHeadersStamped", "AM7PR02MB" + noise.hex(4)) +
               field("X-MS-Office365-Filtering-Correlation-Id", noise.hex(8) + "-" + noise.hex(4) + "-" + noise.hex(12));
    }
}

} // namespace

std::string realisticFromLine(uint32_t seed)
{
    return "From: =?UTF-8?Q?Ren=C3=A9e_Sender_" + std::to_string(seed) + "?= <sender" + std::to_string(seed) +
           "@example.com>\r\n";
}

std::string realisticSubjectLine(uint32_t seed)
{
    return "Subject: =?UTF-8?B?TWVzc2FnZSA=?= " + std::to_string(seed) + "\r\n";
}

std::string realisticHeaderBlock(size_t bytes, uint32_t seed)
{
    Noise noise(seed);
    std::string block = realisticFromLine(seed) + realisticSubjectLine(seed) +
                        "To: tester@example.org\r\n"
                        "Date: Tue, 4 Jun 2024 09:12:44 +0000\r\n"
                        "Message-ID: <" + noise.hex(16) + "@example.com>\r\n";
    const size_t hugeField = 120 * 1024;
    if (bytes >= 130 * 1024)
        block += field("X-Forwarded-Encrypted", "i=1; " + noise.base64(hugeField - 30));
    // Room for the last field, which takes the block to its exact size.
    const size_t lastFieldRoom = 400;
    for (int round = 0;; ++round) {
        std::string next = nextField(noise, round);
        if (block.size() + next.size() + lastFieldRoom > bytes)
            break;
        block += next;
    }
    const std::string name = "X-MS-Exchange-Organization-AuthAs: ";
    size_t rest = bytes > block.size() + name.size() + 2 ? bytes - block.size() - name.size() - 2 : 1;
    // Folded pieces of at most 76 bytes; each fold adds three bytes ("\r\n\t") to the value.
    std::string value;
    while (value.size() < rest) {
        if (!value.empty() && value.size() + 3 < rest)
            value += "\r\n\t";
        size_t piece = rest - value.size() < 76 ? rest - value.size() : 76;
        value += noise.base64(piece);
    }
    value.resize(rest);
    // A fold cut in the middle would leave a stray line break: the piece before it grows instead.
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == '\t'))
        value.pop_back();
    value.resize(rest, 'A');
    return block + name + value + "\r\n";
}

std::string realisticMessage(size_t headerBytes, uint32_t seed)
{
    return realisticHeaderBlock(headerBytes, seed) + "\r\nThe body, which a check never fetches.\r\n";
}

std::string keptRealisticText(size_t headerBytes, uint32_t seed, size_t limit)
{
    std::string block = realisticHeaderBlock(headerBytes, seed) + "\r\n";
    if (block.size() > limit)
        block.resize(block.rfind("\r\n", limit - 2) + 2);
    return "+OK\r\n" + block + ".\r\n";
}
