#pragma once
// The columns of a sonogram of a whole sound, computed on several threads at once: column c is
// the spectrum of the N samples from c * step on, turned into levels and palette colours as a
// Sonogram does it. Each thread has its own Sonogram (its own transform and buffers), so the
// columns are bit for bit those of one thread. The columns are kept here until the reader (the
// window, or the command line once Run has returned) takes them, finished ones from the front.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/CancelToken.h"
#include "analysis/ParallelColumns.h"
#include "analysis/Sonogram.h"

class SonogramBuild {
public:
    // Writes the samples first .. first + count - 1 to out. Called on several threads at once:
    // it may only read what stays put while the build runs.
    using SampleReader = std::function<void(std::uint64_t first, std::size_t count, double* out)>;
    struct Layout {
        std::size_t columns = 0;
        std::uint64_t step = 1;  // samples from one column's start to the next one's
        int points = 0;          // the transform size N, a power of two
        int sampleRate = 0;
    };

    // levelsDb: keep each column's measured levels in dB full scale as well (Sonogram::ColumnDb).
    SonogramBuild(const SonogramScale& scale, int height, const Sonogram::Palette& palette,
                  std::uint32_t background, const Layout& layout, SampleReader reader, bool levelsDb);

    // Computes every column on that many threads; false when cancelled. Throws std::bad_alloc.
    bool Run(int threads, const CancelToken& token);
    // Columns 0 .. n-1 are done and may be read; for one reader at a time.
    std::size_t Finished() { return m_pieces.Finished(); }

    std::size_t Columns() const { return m_layout.columns; }
    int Height() const { return m_height; }
    int Points() const { return m_layout.points; }
    std::uint64_t Start(std::size_t column) const { return column * m_layout.step; }
    // Height palette colours, top row first; rows no bar reaches have the background.
    const std::uint32_t* Colours(std::size_t column) const {
        return m_colours.get() + column * static_cast<std::size_t>(m_height);
    }
    // Height levels in dB full scale, top row first (NaN where no bar reaches); null unless asked for.
    const double* LevelsDb(std::size_t column) const {
        return m_levelsDb.empty() ? nullptr : m_levelsDb.data() + column * static_cast<std::size_t>(m_height);
    }

private:
    void Compute(Sonogram& sono, std::vector<double>& block, std::size_t column);

    SonogramScale m_scale;
    int m_height;
    const Sonogram::Palette& m_palette;
    std::uint32_t m_background;
    Layout m_layout;
    SampleReader m_reader;
    ParallelColumns m_pieces;
    // Every column is written by the thread that computes it before anyone reads it: the memory
    // is left uninitialised, so that its first touch is spread over those threads instead of
    // zeroing megabytes on the calling thread first.
    std::unique_ptr<std::uint32_t[]> m_colours;
    std::vector<double> m_levelsDb;
};
