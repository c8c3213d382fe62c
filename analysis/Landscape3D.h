#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// One vertex of the 3D landscape: position, normal, point size and ARGB colour (32 bytes, so the
// array can go to the graphics card as it is).
struct LandscapeVertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 1;
    float pointSize = 0.5f;
    std::uint32_t argb = 0xFF000000u;
};
static_assert(sizeof(LandscapeVertex) == 32);

// Colour of index c (0 … 1663) on the ramp dark red, red, yellow, green, cyan, blue, magenta, white.
std::uint32_t RainbowColour(int c);

struct LandscapeSettings {
    double bottomHz = 20;   // lowest frequency shown
    double topHz = 20000;   // highest frequency shown
    double halfWidth = 5;   // the row runs from +halfWidth to -halfWidth
    double epsilon = 0.05;  // smallest distance across frequency between two vertices of a row
    double rowStep = 0.1;   // distance between two rows
    bool linearHeight = false;
    bool linearFrequency = false;
    bool rainbow = true;
    std::uint32_t fixedColour = 0xFF00FF00u;
};

// The waterfall of successive spectra: rows of k vertices, at most 40000 vertices in all. A new
// spectrum shifts the rows back in place; the buffers are allocated once per row length, so a live
// stream of spectra costs no allocation.
class Landscape3D {
public:
    static constexpr int kMaxVertices = 40000;

    // x positions and heights of one row from a spectrum of magnitudes |X_k|/N (bins 0 … N/2,
    // N = 2 (size - 1), bin k at k fs / N) of a sound of that many bits per sample. Bins nearer
    // than epsilon to the vertex before belong to that vertex, which takes the loudest of them.
    // Kept as a member so that the scratch buffers are reused.
    void BuildRow(const double* spectrum, std::size_t size, double sampleRate, int bits,
                  const LandscapeSettings& settings);
    const std::vector<float>& RowX() const { return m_rowX; }
    const std::vector<float>& RowHeight() const { return m_rowH; }
    // Takes a row built elsewhere as the row last built, for AddRow.
    void SetRow(std::vector<float> x, std::vector<float> height) {
        m_rowX = std::move(x);
        m_rowH = std::move(height);
    }
    // Rows that other landscapes built (on other threads), oldest first: the same vertices as
    // adding them one by one, but every row moves back once for all of them, so that a build
    // that hands over many rows at a time does not move the whole mesh for each. Leaves the
    // normals to ComputeNormals. Empties rows.
    struct BuiltRow {
        std::vector<float> x, height;
    };
    void AddRows(std::vector<BuiltRow>& rows, const LandscapeSettings& settings);

    // Adds the row last built. A row of another length than the mesh's builds a new mesh.
    // Many rows in a row may leave the normals to one ComputeNormals at their end.
    void AddRow(const LandscapeSettings& settings, bool computeNormals = true);
    // Convenience: BuildRow + AddRow.
    void AddSpectrum(const double* spectrum, std::size_t size, double sampleRate, int bits,
                     const LandscapeSettings& settings);

    void Clear();
    // Marks that the next row starts a new mesh (settings changed).
    void Invalidate() { m_rebuild = true; }

    int RowLength() const { return m_k; }
    int Rows() const { return m_rows; }
    int RowCounter() const { return m_rowCounter; }
    // Rows holding data (the mesh fills from the front).
    int FilledRows() const { return m_filled; }
    bool Full() const { return m_rows > 0 && m_filled >= m_rows; }
    bool Empty() const { return m_vertices.empty(); }

    const std::vector<LandscapeVertex>& Vertices() const { return m_vertices; }
    const std::vector<std::uint32_t>& Indices() const { return m_indices; }
    // The indices of the rows holding data (they come first, front row first).
    std::size_t FilledIndexCount() const {
        return m_filled < 2 ? 0 : std::size_t(6) * std::size_t(m_k - 1) * std::size_t(m_filled - 1);
    }
    std::size_t TriangleCount() const { return m_indices.size() / 3; }

    // Normals from the faces around each vertex (area weighted).
    void ComputeNormals();

    // Height of a spectrum value s of a sound of that many bits per sample: the same for the
    // same level in dB full scale whatever the width.
    static double Height(double s, int bits, bool linear);

private:
    void NewMesh(int k);
    // Writes a row of the mesh's length at that place (0 the front) with that y.
    void WriteRow(std::size_t row, const std::vector<float>& x, const std::vector<float>& height, float y,
                  const LandscapeSettings& settings);
    // The mesh after a row was added: its fill and the row counter.
    void CountRow();

    std::vector<float> m_rowX, m_rowH;
    std::vector<LandscapeVertex> m_vertices;
    std::vector<std::uint32_t> m_indices;
    int m_k = 0;
    int m_rows = 0;
    int m_rowCounter = 0;
    int m_filled = 0;
    bool m_rebuild = true;
};
