#include "db/JetHeader.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace db::jet {

namespace {

constexpr int kEncodedStart = 0x18;
constexpr int kCodePageOffset = 0x3C;
constexpr int kDatabaseKeyOffset = 0x3E;
constexpr int kPasswordOffset = 0x42;
constexpr int kCreationDateOffset = 0x72;
constexpr unsigned char kHeaderKey[] = {0xC7, 0xDA, 0x39, 0x6B};

bool startsWith(QByteArrayView bytes, int offset, QByteArrayView text)
{
    return bytes.size() >= offset + text.size() && bytes.sliced(offset, text.size()) == text;
}

// Jet 4 masks the stored password with the whole days of the creation date.
std::array<unsigned char, 4> passwordMask(double creationDate)
{
    qint32 days = 0;
    if (std::isfinite(creationDate)) {
        const double whole = std::floor(creationDate);
        if (whole >= std::numeric_limits<qint32>::min()
            && whole <= std::numeric_limits<qint32>::max())
            days = static_cast<qint32>(whole);
    }
    std::array<unsigned char, 4> mask{};
    qToLittleEndian(days, mask.data());
    return mask;
}

} // namespace

void rc4(QByteArrayView key, unsigned char *data, qsizetype size)
{
    if (key.isEmpty())
        return;
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
        std::swap(s[i], s[j]);
    }
    unsigned a = 0;
    j = 0;
    for (qsizetype n = 0; n < size; ++n) {
        a = (a + 1) & 0xFF;
        j = (j + s[a]) & 0xFF;
        std::swap(s[a], s[j]);
        data[n] ^= s[(s[a] + s[j]) & 0xFF];
    }
}

std::optional<Header> parseHeader(QByteArrayView page0)
{
    if (page0.size() < kHeaderBytes || static_cast<unsigned char>(page0[0]) != 0)
        return std::nullopt;

    Header header;
    header.versionByte = static_cast<unsigned char>(page0[0x14]);
    if (startsWith(page0, 0, QByteArrayView("\0\1\0\0Standard Jet DB\0", 20))) {
        if (header.versionByte == 0)
            header.version = Version::Jet3;
        else if (header.versionByte == 1)
            header.version = Version::Jet4;
        else
            return std::nullopt;
    } else if (startsWith(page0, 4, QByteArrayView("Standard ACE DB\0", 16))) {
        if (header.versionByte < 2 || header.versionByte > 6)
            return std::nullopt;
        header.version = Version::Ace;
    } else {
        return std::nullopt;
    }
    const bool jet3 = header.version == Version::Jet3;
    header.pageSize = jet3 ? 2048 : 4096;

    std::array<unsigned char, kHeaderBytes> plain;
    std::memcpy(plain.data(), page0.data(), plain.size());
    rc4(QByteArrayView(reinterpret_cast<const char *>(kHeaderKey), sizeof kHeaderKey),
        plain.data() + kEncodedStart, jet3 ? 126 : 128);

    header.codePage = qFromLittleEndian<quint16>(plain.data() + kCodePageOffset);
    header.databaseKey = qFromLittleEndian<quint32>(plain.data() + kDatabaseKeyOffset);

    // Jet 3 keeps up to 20 single-byte characters in clear; Jet 4 and ACE up to 20 UCS-2
    // characters masked with the creation date.
    unsigned char stored[40] = {};
    if (jet3) {
        std::memcpy(stored, plain.data() + kPasswordOffset, 20);
        for (int i = 0; i < 20 && stored[i]; ++i)
            header.password += QChar::fromLatin1(static_cast<char>(stored[i]));
        header.passwordSet = std::any_of(stored, stored + 20, [](unsigned char c) { return c; });
    } else {
        const quint64 bits = qFromLittleEndian<quint64>(plain.data() + kCreationDateOffset);
        std::memcpy(&header.creationDate, &bits, sizeof bits);
        const auto mask = passwordMask(header.creationDate);
        for (int i = 0; i < 40; ++i)
            stored[i] = plain[kPasswordOffset + i] ^ mask[i % 4];
        for (int i = 0; i + 1 < 40; i += 2) {
            const char16_t unit = char16_t(stored[i] | (stored[i + 1] << 8));
            if (!unit)
                break;
            header.password += QChar(unit);
        }
        header.passwordSet = std::any_of(stored, stored + 40, [](unsigned char c) { return c; });
    }
    return header;
}

} // namespace db::jet
