#pragma once

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace tk {

namespace detail {

// A vector in fixed blocks: growing it one row at a time never copies what it holds, nor
// touches more memory than it needs.
template<class T>
class BlockVector
{
public:
    size_t size() const { return m_size; }
    T &operator[](size_t i) { return m_blocks[i / kBlock][i % kBlock]; }
    const T &operator[](size_t i) const { return m_blocks[i / kBlock][i % kBlock]; }
    // New elements are T().
    void resize(size_t size)
    {
        const size_t blocks = (size + kBlock - 1) / kBlock;
        for (size_t i = size; i < std::min(m_size, blocks * kBlock); ++i)
            (*this)[i] = T();
        m_blocks.resize(std::min(m_blocks.size(), blocks));
        while (m_blocks.size() < blocks)
            m_blocks.push_back(std::make_unique<T[]>(kBlock));
        m_size = size;
    }
    void reset()
    {
        const size_t size = m_size;
        m_blocks.clear();
        m_size = 0;
        resize(size);
    }

private:
    static constexpr size_t kBlock = 4096;
    std::vector<std::unique_ptr<T[]>> m_blocks;
    size_t m_size = 0;
};

} // namespace detail

// The results grid's cell texts, row-major, header row first; no widget involved.
//
// The texts are packed into 64 KB chunks filled in turn: Latin-1 texts one byte a
// character, the others in UTF-16. A grid of 100,000 rows is then a few hundred allocations
// holding little more than its characters, so emptying it costs next to nothing (releasing
// 400,000 separate strings would cost the next search tens of milliseconds) and filling it
// touches little fresh memory, which the first search of a run pays for page by page.
// Callers keep r and c within the shape they gave.
class GridCells
{
public:
    GridCells(int rows, int cols);

    QString text(int r, int c) const;
    void set(int r, int c, const QString &text);
    // Every cell empty; the shape stays.
    void clear();
    void resizeRows(int rows);
    // Cells beyond the new last column go; rows is the current row count.
    void resizeCols(int rows, int cols);

    // Bytes the chunks hold, live texts and left-over ones alike.
    qsizetype usedBytes() const;

private:
    static constexpr quint32 kWide = 0x80000000u;
    static constexpr quint32 kChunkBytes = 64 * 1024;

    struct Ref
    {
        quint32 chunk = 0;
        quint32 offset = 0;
        quint32 size = 0; // length in characters, kWide for UTF-16

        qsizetype length() const { return qsizetype(size & ~kWide); }
        bool wide() const { return size & kWide; }
        qsizetype bytes() const { return wide() ? 2 * length() : length(); }
    };
    struct Chunk
    {
        std::unique_ptr<char[]> data;
        quint32 capacity;
        quint32 used;
    };

    size_t index(int r, int c) const { return size_t(r) * size_t(m_cols) + size_t(c); }
    void release(Ref &ref);
    std::pair<quint32, quint32> allocate(quint32 bytes, quint32 align);
    void compactIfWasteful();

    int m_cols;
    detail::BlockVector<Ref> m_refs;
    std::vector<Chunk> m_chunks;
    qsizetype m_garbage = 0; // bytes of texts no cell holds any more
};

} // namespace tk
