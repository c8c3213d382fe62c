#include "analysis/Landscape3D.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "analysis/SpectrumScale.h"

std::uint32_t RainbowColour(int c) {
    c = std::clamp(c, 0, 1663);
    int r = 0, g = 0, b = 0;
    if (c < 128) {
        r = c + 128;
    } else if (c < 384) {
        r = 255;
        g = c - 128;
    } else if (c < 640) {
        r = 639 - c;
        g = 255;
    } else if (c < 896) {
        g = 255;
        b = c - 640;
    } else if (c < 1152) {
        g = 1151 - c;
        b = 255;
    } else if (c < 1408) {
        r = c - 1152;
        b = 255;
    } else {
        r = 255;
        g = c - 1408;
        b = 255;
    }
    return 0xFF000000u | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b);
}

double Landscape3D::Height(double s, int bits, bool linear) {
    // In the units of 16-bit sound, so that an 8-bit sound and its 16-bit twin stand alike:
    // 60 at 2^16 (four times a full-scale sine) on the linear scale, 4 at ln 2^16 on the other.
    constexpr double kTop = 65536.0;
    const double s16 =
        std::max(s, 0.0) * (SpectrumScale::Magnitude(0.0, 16) / SpectrumScale::Magnitude(0.0, bits));
    if (linear) return 60.0 * s16 / kTop;
    return 4.0 * std::log1p(s16) / std::log(kTop);
}

void Landscape3D::BuildRow(const double* spectrum, std::size_t size, double sampleRate, int bits,
                           const LandscapeSettings& st) {
    m_rowX.clear();
    m_rowH.clear();
    if (size < 2) return;
    const int points = int(2 * (size - 1));  // the values are bins 0 .. N/2
    const double fmin = std::max(st.bottomHz, 1e-9);
    const double fmax = std::max(st.topHz, fmin * 1.000001);
    const double logSpan = std::log(fmax / fmin);
    bool any = false;
    double lastX = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const double f = SpectrumScale::BinFrequency(double(i), sampleRate, points);
        if (f <= fmin || f > fmax) continue;
        const double r = st.linearFrequency ? (f - fmin) / (fmax - fmin) : std::log(f / fmin) / logSpan;
        const double x = st.halfWidth - 2.0 * r * st.halfWidth;
        const float h = float(Height(spectrum[i], bits, st.linearHeight));
        if (any && std::abs(x - lastX) < st.epsilon) {
            // A bin too near the vertex before is one of the bins that vertex stands for: the
            // vertex shows the loudest of them, so a tone between two vertices is not lost.
            m_rowH.back() = std::max(m_rowH.back(), h);
            continue;
        }
        any = true;
        lastX = x;
        m_rowX.push_back(float(x));
        m_rowH.push_back(h);
    }
}

void Landscape3D::NewMesh(int k) {
    m_k = k;
    m_rows = kMaxVertices / k;
    m_vertices.assign(std::size_t(m_rows) * std::size_t(k), LandscapeVertex{});
    m_indices.clear();
    m_indices.reserve(std::size_t(6) * std::size_t(k - 1) * std::size_t(std::max(m_rows - 1, 0)));
    // Two triangles per cell, both wound the same way (seen from above).
    for (int r = 0; r + 1 < m_rows; ++r) {
        for (int j = 0; j + 1 < k; ++j) {
            const std::uint32_t a = std::uint32_t(r * k + j), b = a + 1, c = a + std::uint32_t(k), d = c + 1;
            m_indices.insert(m_indices.end(), {a, c, b, b, c, d});
        }
    }
    m_rowCounter = 0;
    m_filled = 0;
    m_rebuild = false;
}

void Landscape3D::AddRow(const LandscapeSettings& st, bool computeNormals) {
    const int k = int(m_rowX.size());
    if (k < 2) return;  // a row needs two vertices to span a surface
    if (m_rebuild || k != m_k) NewMesh(k);
    const float step = float(st.rowStep);
    // Shift every row one place back in place (vertex j + k receives vertex j).
    const std::size_t rowBytes = std::size_t(k);
    std::memmove(m_vertices.data() + rowBytes, m_vertices.data(),
                 (m_vertices.size() - rowBytes) * sizeof(LandscapeVertex));
    for (std::size_t j = rowBytes; j < m_vertices.size(); ++j) m_vertices[j].y += step;
    WriteRow(0, m_rowX, m_rowH, -float(m_rows) * step / 2.0f, st);
    CountRow();
    if (computeNormals) ComputeNormals();
}

void Landscape3D::WriteRow(std::size_t row, const std::vector<float>& x, const std::vector<float>& height,
                           float y, const LandscapeSettings& st) {
    LandscapeVertex* vertices = m_vertices.data() + row * std::size_t(m_k);
    for (int j = 0; j < m_k; ++j) {
        LandscapeVertex& v = vertices[j];
        v.x = -x[std::size_t(j)];
        v.y = y;
        v.z = height[std::size_t(j)];
        v.pointSize = 0.5f;
        v.argb = st.rainbow ? RainbowColour(int(1663LL * j / m_k)) : st.fixedColour;
    }
}

void Landscape3D::CountRow() {
    m_filled = std::min(m_filled + 1, m_rows);
    if (++m_rowCounter >= m_rows) m_rowCounter = 0;
    if (m_rowCounter == 0) m_rowCounter = 1;
}

void Landscape3D::AddRows(std::vector<BuiltRow>& rows, const LandscapeSettings& st) {
    std::size_t first = 0;
    while (first < rows.size()) {
        // A run of rows of one length; a row of another length starts a new mesh, and one of
        // fewer than two vertices adds nothing, as in AddRow.
        const std::size_t k = rows[first].x.size();
        if (k < 2) {
            ++first;
            continue;
        }
        if (m_rebuild || int(k) != m_k) NewMesh(int(k));
        std::vector<std::size_t> run;  // the rows that add a row, oldest first
        std::size_t end = first;
        for (; end < rows.size() && (rows[end].x.size() == k || rows[end].x.size() < 2); ++end)
            if (rows[end].x.size() == k) run.push_back(end);
        const std::size_t count = run.size();
        const std::size_t meshRows = std::size_t(m_rows);
        const std::size_t shift = std::min(count, meshRows);
        const float step = float(st.rowStep);
        // The rows that stay move back by all the new ones at once. The vertices of a row share
        // one y, which goes up by the step once per row added, in that order, as in AddRow.
        if (shift < meshRows) {
            std::memmove(m_vertices.data() + shift * k, m_vertices.data(),
                         (meshRows - shift) * k * sizeof(LandscapeVertex));
            for (std::size_t row = shift; row < meshRows; ++row) {
                LandscapeVertex* v = m_vertices.data() + row * k;
                float y = v->y;
                for (std::size_t added = 0; added < count; ++added) y += step;
                for (std::size_t j = 0; j < k; ++j) v[j].y = y;
            }
        }
        // The newest in front, each older one a row further back and once more moved by the step.
        float y = -float(m_rows) * step / 2.0f;
        for (std::size_t row = 0; row < shift; ++row) {
            const BuiltRow& built = rows[run[count - 1 - row]];
            WriteRow(row, built.x, built.height, y, st);
            y += step;
        }
        for (std::size_t added = 0; added < count; ++added) CountRow();
        first = end;
    }
    rows.clear();
}

void Landscape3D::AddSpectrum(const double* spectrum, std::size_t size, double sampleRate, int bits,
                              const LandscapeSettings& settings) {
    BuildRow(spectrum, size, sampleRate, bits, settings);
    AddRow(settings);
}

void Landscape3D::Clear() {
    m_vertices.clear();
    m_indices.clear();
    m_k = m_rows = m_rowCounter = m_filled = 0;
    m_rebuild = true;
}

void Landscape3D::ComputeNormals() {
    for (LandscapeVertex& v : m_vertices) v.nx = v.ny = v.nz = 0;
    for (std::size_t t = 0; t + 2 < m_indices.size(); t += 3) {
        LandscapeVertex& a = m_vertices[m_indices[t]];
        LandscapeVertex& b = m_vertices[m_indices[t + 1]];
        LandscapeVertex& c = m_vertices[m_indices[t + 2]];
        const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        for (LandscapeVertex* p : {&a, &b, &c}) {
            p->nx += nx;
            p->ny += ny;
            p->nz += nz;
        }
    }
    for (LandscapeVertex& v : m_vertices) {
        const float len = std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz);
        if (len > 0) {
            v.nx /= len;
            v.ny /= len;
            v.nz /= len;
        } else {
            v.nx = 0;
            v.ny = 0;
            v.nz = 1;
        }
    }
}
