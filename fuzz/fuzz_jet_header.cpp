// Page 0 of a catalogue file, as read from disk: the header and its password must be read
// safely from any bytes. Random bytes rarely carry a Jet signature, so each input is also read
// once more behind a signature the first byte chooses.
#include "db/JetHeader.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(QByteArrayView page0)
{
    const std::optional<db::jet::Header> header = db::jet::parseHeader(page0);
    if (!header)
        return;
    const bool jet3 = header->version == db::jet::Version::Jet3;
    if (header->pageSize != (jet3 ? 2048 : 4096) || header->password.size() > 20
        || (!header->password.isEmpty() && !header->passwordSet))
        std::abort();
}

// RC4 is its own inverse under the same key.
void checkRc4(QByteArrayView key, QByteArrayView bytes)
{
    QByteArray data = bytes.toByteArray();
    db::jet::rc4(key, reinterpret_cast<unsigned char *>(data.data()), data.size());
    db::jet::rc4(key, reinterpret_cast<unsigned char *>(data.data()), data.size());
    if (data != bytes)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    check(input);
    if (input.isEmpty())
        return 0;

    static const QByteArrayView signatures[] = {
        QByteArrayView("\0\1\0\0Standard Jet DB\0", 20),
        QByteArrayView("\0\1\0\0Standard ACE DB\0", 20),
    };
    const std::uint8_t choice = data[0];
    QByteArray page = input.sliced(1).toByteArray();
    if (page.size() < db::jet::kHeaderBytes)
        page.append(db::jet::kHeaderBytes - page.size(), '\0');
    const QByteArrayView signature = signatures[choice & 1];
    std::memcpy(page.data(), signature.data(), std::size_t(signature.size()));
    page[0x14] = static_cast<char>((choice >> 1) % 8); // the version byte: 0..6 are known
    check(page);

    checkRc4(input.first(std::min<qsizetype>(input.size(), 1 + choice % 16)), input);
    return 0;
}
