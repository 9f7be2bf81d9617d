#include "toolkit/GridCells.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace tk {

GridCells::GridCells(int rows, int cols) : m_cols(cols)
{
    m_refs.resize(size_t(rows) * size_t(cols));
}

QString GridCells::text(int r, int c) const
{
    const Ref &ref = m_refs[index(r, c)];
    const qsizetype length = ref.length();
    if (length == 0)
        return QString();
    const char *bytes = m_chunks[ref.chunk].data.get() + ref.offset;
    if (ref.wide())
        return QString(reinterpret_cast<const QChar *>(bytes), length);
    return QString::fromLatin1(bytes, length);
}

void GridCells::set(int r, int c, const QString &text)
{
    Ref &ref = m_refs[index(r, c)];
    release(ref);
    if (text.isEmpty())
        return;
    const quint32 length = quint32(text.size());
    const char16_t *chars = reinterpret_cast<const char16_t *>(text.constData());
    // Narrowed as it is checked; the rare text beyond Latin-1 starts again in UTF-16.
    auto [chunk, offset] = allocate(length, 1);
    char *to = m_chunks[chunk].data.get() + offset;
    quint32 i = 0;
    while (i < length && chars[i] <= 0xFF) {
        to[i] = char(chars[i]);
        ++i;
    }
    const bool wide = i < length;
    if (wide) {
        m_chunks[chunk].used = offset;
        std::tie(chunk, offset) = allocate(2 * length, 2);
        std::memcpy(m_chunks[chunk].data.get() + offset, chars, 2 * size_t(length));
    }
    ref = {chunk, offset, length | (wide ? kWide : 0)};
    compactIfWasteful();
}

void GridCells::clear()
{
    m_refs.reset();
    m_chunks.clear();
    m_garbage = 0;
}

void GridCells::resizeRows(int rows)
{
    const size_t size = size_t(rows) * size_t(m_cols);
    for (size_t i = size; i < m_refs.size(); ++i)
        m_garbage += m_refs[i].bytes();
    m_refs.resize(size);
    compactIfWasteful();
}

void GridCells::resizeCols(int rows, int cols)
{
    detail::BlockVector<Ref> refs;
    refs.resize(size_t(rows) * size_t(cols));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < m_cols; ++c) {
            const Ref &ref = m_refs[index(r, c)];
            if (c < cols)
                refs[size_t(r) * size_t(cols) + size_t(c)] = ref;
            else
                m_garbage += ref.bytes();
        }
    m_refs = std::move(refs);
    m_cols = cols;
    compactIfWasteful();
}

void GridCells::release(Ref &ref)
{
    m_garbage += ref.bytes();
    ref = Ref();
}

std::pair<quint32, quint32> GridCells::allocate(quint32 bytes, quint32 align)
{
    if (!m_chunks.empty()) {
        Chunk &last = m_chunks.back();
        const quint32 start = (last.used + align - 1) & ~(align - 1);
        if (qsizetype(start) + bytes <= qsizetype(last.capacity)) {
            last.used = start + bytes;
            return {quint32(m_chunks.size() - 1), start};
        }
    }
    const quint32 capacity = std::max(kChunkBytes, bytes);
    m_chunks.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, bytes});
    return {quint32(m_chunks.size() - 1), 0};
}

// Rewritten and dropped cells leave their old text behind; past half of it all, it goes.
void GridCells::compactIfWasteful()
{
    if (m_garbage < qsizetype(kChunkBytes) || 2 * m_garbage < usedBytes())
        return;
    std::vector<Chunk> old = std::move(m_chunks);
    m_chunks.clear();
    m_garbage = 0;
    for (size_t i = 0; i < m_refs.size(); ++i) {
        Ref &ref = m_refs[i];
        if (ref.size == 0)
            continue;
        const quint32 bytes = quint32(ref.bytes());
        const auto [chunk, offset] = allocate(bytes, ref.wide() ? 2 : 1);
        std::memcpy(m_chunks[chunk].data.get() + offset, old[ref.chunk].data.get() + ref.offset,
                    bytes);
        ref.chunk = chunk;
        ref.offset = offset;
    }
}

qsizetype GridCells::usedBytes() const
{
    qsizetype used = 0;
    for (const Chunk &chunk : m_chunks)
        used += chunk.used;
    return used;
}

} // namespace tk
