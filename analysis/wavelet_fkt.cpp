#include "analysis/wavelet_fkt.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "analysis/wavelet_bspline.h"
#include "analysis/wavelet_complex.h"
#include "analysis/wavelet_real.h"

std::string wavelet_error::text() const {
    const auto quoted = [this](const char* before, const char* after) { return before + detail + after; };
    switch (code) {
    case none: return {};
    case no_arguments_expected: return quoted("The ", " wavelet doesn't expect any arguments.\n");
    case morlet_arguments: return quoted("Morlet wavelet accepts only one float argument for frequency, but not <", ">\n");
    case cauchy_arguments:
        return quoted("Cauchy wavelet accepts only one non-negative argument for the order, but not <", ">\n");
    case spinning_missing: return "Two arguments required for spinning wavelet.\n";
    case spinning_arguments: return quoted("Spinning wavelet requires two arguments but not <", ">\n");
    case spinning_mu2:
        return quoted("To get an admissible wavelet it must hold mu2 >= 1/4, but for mu2=",
                      " this does not hold.\n");
    case bspline_arguments:
        return quoted("B-Spline wavelet accepts a comma separated list of positive floats, but not <", ">\n");
    case bspline_missing: return "At least one window width argument is required for the B-spline wavelet.\n";
    case bspline_evaluate:
        return "wavelet_bspline::evaluate is not implemented - use wavelet_bspline::discretize instead\n";
    }
    return {};
}

bool wavelet_fkt::fail(wavelet_error::code_t code, std::string detail) {
    m_error = {code, std::move(detail)};
    return false;
}

void wavelet_fkt::diagnose(const char* format, double first, double second) {
    char line[160];
    std::snprintf(line, sizeof line, format, first, second);
    m_diagnostics += line;
}

void wavelet_fkt::discretize(float* buffer, std::int64_t i0, std::int64_t i1, float h, float f) const {
    for (std::int64_t i = i0; i < i1; ++i) {
        const float x = static_cast<float>(i) * h;
        buffer[i - i0] = (x >= lsupp && x <= rsupp) ? f * evaluate(x) : 0.0f;
    }
}

std::unique_ptr<wavelet_fkt> create_wavelet(std::string_view spec, std::string_view* args) {
    std::unique_ptr<wavelet_fkt> wavelet;
    std::size_t length = 0;
    for (std::size_t i = 0; i < std::size(kWaveletSpecNames) && !wavelet; ++i) {
        const std::string_view name = kWaveletSpecNames[i];
        if (!spec.starts_with(name)) continue;
        length = name.size();
        switch (i) {
        case 0: wavelet = std::make_unique<wavelet_haar>(); break;
        case 1: wavelet = std::make_unique<wavelet_mexicanhat>(); break;
        case 2: wavelet = std::make_unique<wavelet_sinus>(); break;
        case 3: wavelet = std::make_unique<wavelet_poisson>(); break;
        case 4: wavelet = std::make_unique<wavelet_cauchy>(); break;
        case 5: wavelet = std::make_unique<wavelet_spinning>(); break;
        case 6: wavelet = std::make_unique<wavelet_morlet>(); break;
        default: wavelet = std::make_unique<wavelet_bspline>(); break;
        }
    }
    if (!wavelet) return nullptr;
    wavelet->init();
    if (args) *args = spec.substr(length);
    return wavelet;
}

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One number as strtod reads it in the C locale; the locale of the desktop plays no part.
bool ReadNumber(std::string_view& text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes no '+' and no second sign: after the sign a digit, a point or a letter.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return false;
    const char* begin = text.data() + i;
    const char* end = text.data() + text.size();
    std::chars_format format = std::chars_format::general;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        begin += 2;
        format = std::chars_format::hex;
    }
    const auto [stop, ec] = std::from_chars(begin, end, value, format);
    if (ec == std::errc::invalid_argument) return false;
    // Out of range: strtod gives infinity or zero; both are refused or caught by the caller.
    if (ec == std::errc::result_out_of_range) value = HUGE_VAL;
    if (negative) value = -value;
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
    return true;
}

}  // namespace

bool read_wavelet_arguments(std::string_view text, std::vector<double>& values) {
    values.clear();
    while (!text.empty()) {
        if (text.front() != ',') return false;
        text.remove_prefix(1);
        double value = 0.0;
        if (!ReadNumber(text, value)) return false;
        while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
        if (!text.empty() && text.front() != ',') return false;
        values.push_back(value);
    }
    return true;
}
