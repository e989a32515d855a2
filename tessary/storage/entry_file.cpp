// A mailbox entry's stored fields, in the order and encoding of the entry list file.
#include "storage/mailbox_entry.h"
#include "storage/binary_file.h"
#include "storage/owned_string.h"
#include <cstring>

namespace {

// The password is stored with every byte shifted by 71 (mod 256); the length is stored as it is.
const uint8_t passwordShift = 71;

bool writeString(AtomicFileWriter& file, const char* text, bool scrambled)
{
    int32_t length = text ? static_cast<int32_t>(strlen(text)) : 0;
    if (!file.writeInt32(length))
        return false;
    if (!scrambled)
        return file.writeBytes(text, static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i)
        if (!file.writeByte(static_cast<uint8_t>(static_cast<uint8_t>(text[i]) + passwordShift)))
            return false;
    return true;
}

// A length that is negative or larger than what is left of the file means the file is damaged;
// it is refused before anything is allocated from it.
bool readString(FileReader& file, char*& field, bool scrambled)
{
    freeOwned(field);
    int32_t length;
    if (!file.readInt32(length) || length < 0 || static_cast<uint64_t>(length) > file.remaining())
        return false;
    if (length == 0)
        return true;
    char* text = allocateOwnedBytes(static_cast<size_t>(length) + 1);
    if (!file.readBytes(text, static_cast<size_t>(length))) {
        delete[] text;
        return false;
    }
    if (scrambled)
        for (int32_t i = 0; i < length; ++i)
            text[i] = static_cast<char>(static_cast<uint8_t>(text[i]) - passwordShift);
    text[length] = '\0';
    field = text;
    return true;
}

bool readFlag(FileReader& file, bool& flag)
{
    uint8_t byte;
    if (!file.readByte(byte))
        return false;
    flag = byte != 0;
    return true;
}

// A stored value outside the range a field allows reads as 0, the field's default (plain POP3, the
// default port, POP3, signing in with the password).
bool readInRange(FileReader& file, int32_t& field, int32_t lowest, int32_t highest)
{
    int32_t value;
    if (!file.readInt32(value))
        return false;
    field = value < lowest || value > highest ? 0 : value;
    return true;
}

// The protected secrets: an int32 length, 0 for none, then the blob.
bool writeSecrets(AtomicFileWriter& file, const StoredSecrets& secrets, bool present)
{
    if (!present)
        return file.writeInt32(0);
    return file.writeInt32(secrets.length()) && file.writeBytes(secrets.bytes(), static_cast<size_t>(secrets.length()));
}

// A blob longer than the file holds, or than any blob the program writes, means damage; it is
// refused before anything is allocated from it.
bool readSecrets(FileReader& file, char*& blob, int32_t& length)
{
    if (!file.readInt32(length) || length < 0 || length > maxProtectedSecretsLength ||
        static_cast<uint64_t>(length) > file.remaining())
        return false;
    if (length == 0)
        return true;
    blob = allocateOwnedBytes(static_cast<size_t>(length));
    if (file.readBytes(blob, static_cast<size_t>(length)))
        return true;
    freeOwned(blob);
    return false;
}

} // namespace

bool MailboxEntry::writeTo(AtomicFileWriter& file) const
{
    // Where the secrets can be protected, the password's own field stays empty; elsewhere it holds
    // the password shifted, and the refresh token is not stored at all.
    bool secretsProtected = storedSecrets.protect(password, refreshToken);
    bool ok = writeString(file, name, false) && writeString(file, server, false) &&
              writeString(file, user, false) && writeString(file, secretsProtected ? nullptr : password, true) &&
              file.writeInt32(connectionMode) && writeString(file, dialupEntry, false);
    for (int day = 0; ok && day < 7; ++day)
        ok = file.writeByte(checkDays[day] ? 1 : 0);
    return ok && file.writeInt32(periodHours) && file.writeInt32(periodMinutes) &&
           file.writeInt32(startHour) && file.writeInt32(startMinute) && file.writeInt32(endHour) &&
           file.writeInt32(endMinute) && file.writeByte(enabled ? 1 : 0) &&
           file.writeByte(hangUpWhenDone ? 1 : 0) && file.writeByte(playSoundOnMail ? 1 : 0) &&
           file.writeByte(playSoundOnNoMail ? 1 : 0) && file.writeByte(runMailProgram ? 1 : 0) &&
           file.writeByte(runShellCommand ? 1 : 0) && writeString(file, mailSoundFile, false) &&
           writeString(file, noMailSoundFile, false) && writeString(file, mailProgramPath, false) &&
           writeString(file, mailProgramArgs, false) && writeString(file, shellCommand, false) &&
           writeString(file, shellCommandFile, false) && file.writeInt32(security) &&
           file.writeInt32(port) && writeString(file, trustedCertificate, false) &&
           file.writeByte(announceNewOnly ? 1 : 0) && file.writeInt32(protocol) &&
           writeString(file, folder, false) && file.writeByte(watchContinuously ? 1 : 0) &&
           file.writeInt32(signIn) && writeString(file, account, false) &&
           writeSecrets(file, storedSecrets, secretsProtected) && file.writeByte(showNotification ? 1 : 0) &&
           file.writeByte(mute ? 1 : 0);
}

bool MailboxEntry::readFrom(FileReader& file, EntryFileVersion version)
{
    clear();
    bool ok = readString(file, name, false) && readString(file, server, false) &&
              readString(file, user, false) && readString(file, password, true) &&
              file.readInt32(connectionMode) && readString(file, dialupEntry, false);
    for (int day = 0; ok && day < 7; ++day)
        ok = readFlag(file, checkDays[day]);
    ok = ok && file.readInt32(periodHours) && file.readInt32(periodMinutes) &&
         file.readInt32(startHour) && file.readInt32(startMinute) && file.readInt32(endHour) &&
         file.readInt32(endMinute) && readFlag(file, enabled) && readFlag(file, hangUpWhenDone) &&
         readFlag(file, playSoundOnMail) && readFlag(file, playSoundOnNoMail) &&
         readFlag(file, runMailProgram) && readFlag(file, runShellCommand) &&
         readString(file, mailSoundFile, false) && readString(file, noMailSoundFile, false) &&
         readString(file, mailProgramPath, false) && readString(file, mailProgramArgs, false) &&
         readString(file, shellCommand, false) && readString(file, shellCommandFile, false);
    if (!ok || version < EntryFileVersion9)
        return ok;
    ok = readInRange(file, security, SecurityNone, SecuritySslTls) && readInRange(file, port, 0, highestPort) &&
         readString(file, trustedCertificate, false) && readFlag(file, announceNewOnly);
    if (!ok || version < EntryFileVersion10)
        return ok;
    char* blob = nullptr;
    int32_t blobLength = 0;
    ok = readInRange(file, protocol, ProtocolPop3, ProtocolImap) && readString(file, folder, false) &&
         readFlag(file, watchContinuously) && readInRange(file, signIn, SignInPassword, SignInGoogle) &&
         readString(file, account, false) && readSecrets(file, blob, blobLength) &&
         readFlag(file, showNotification) && readFlag(file, mute);
    // The secrets are opened once the entry is read in full. A blob this user cannot open is kept
    // for the next save, unless the password's own field holds a password to use instead.
    if (ok && blob && !storedSecrets.open(blob, blobLength, password, refreshToken) && password)
        storedSecrets.clear();
    freeOwned(blob);
    return ok;
}
