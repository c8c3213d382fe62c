#include "analysis/SonogramBuild.h"

#include <algorithm>
#include <memory>

SonogramBuild::SonogramBuild(const SonogramScale& scale, int height, const Sonogram::Palette& palette,
                             std::uint32_t background, const Layout& layout, SampleReader reader,
                             bool levelsDb)
    : m_scale(scale),
      m_height(std::max(height, 1)),
      m_palette(palette),
      m_background(background),
      m_layout(layout),
      m_reader(std::move(reader)),
      m_pieces(layout.columns),
      m_colours(std::make_unique_for_overwrite<std::uint32_t[]>(layout.columns *
                                                                static_cast<std::size_t>(m_height))) {
    if (levelsDb) m_levelsDb.resize(layout.columns * static_cast<std::size_t>(m_height));
}

bool SonogramBuild::Run(int threads, const CancelToken& token) {
    // No more threads than columns; each its own sonogram, so that no two share a transform.
    const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), 1,
                                                      std::max<std::size_t>(m_layout.columns, 1));
    std::vector<std::unique_ptr<Sonogram>> sonograms;
    std::vector<std::vector<double>> blocks(count);
    for (std::size_t t = 0; t < count; ++t) {
        sonograms.push_back(std::make_unique<Sonogram>());
        sonograms.back()->SetScale(m_scale, m_height);
        blocks[t].resize(static_cast<std::size_t>(m_layout.points));
    }
    return m_pieces.Run(
        static_cast<int>(count),
        [&](int thread, std::size_t column) {
            const auto t = static_cast<std::size_t>(thread);
            Compute(*sonograms[t], blocks[t], column);
        },
        token);
}

void SonogramBuild::Compute(Sonogram& sono, std::vector<double>& block, std::size_t column) {
    m_reader(Start(column), block.size(), block.data());
    const std::vector<double>& spectrum = sono.Spectrum(block.data(), m_layout.points);
    sono.Column(spectrum.data(), spectrum.size(), m_layout.sampleRate);
    sono.Colour(m_palette, m_background, m_colours.get() + column * static_cast<std::size_t>(m_height));
    if (!m_levelsDb.empty()) {
        const std::vector<double>& levels =
            sono.ColumnDb(spectrum.data(), spectrum.size(), m_layout.sampleRate);
        std::copy(
            levels.begin(), levels.end(),
            m_levelsDb.begin() + static_cast<std::ptrdiff_t>(column * static_cast<std::size_t>(m_height)));
    }
}
