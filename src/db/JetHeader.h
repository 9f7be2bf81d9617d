#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace db::jet {

enum class Version { Jet3, Jet4, Ace };

// What page 0 of a Jet or ACE file says about the whole file.
struct Header
{
    Version version = Version::Jet4;
    int versionByte = 0; // 0 Jet 3, 1 Jet 4, 2..6 ACE 2007..2019
    int pageSize = 4096;
    quint16 codePage = 0;
    quint32 databaseKey = 0; // non-zero: every page but the first is RC4-encoded
    double creationDate = 0.0;
    bool passwordSet = false;
    QString password; // the database password as stored, when set
};

// Bytes of page 0 that parseHeader() needs.
inline constexpr int kHeaderBytes = 0x18 + 128;

// Reads page 0 (or its first kHeaderBytes bytes). No value when the bytes are not the start of
// a Jet or ACE database. Safe on any input.
std::optional<Header> parseHeader(QByteArrayView page0);

// RC4 in place, as Jet uses it for the header and for encoded pages.
void rc4(QByteArrayView key, unsigned char *data, qsizetype size);

} // namespace db::jet
