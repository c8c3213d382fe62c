#pragma once
// The parameters of one continuous wavelet transform: which wavelet, the grid of scales and
// time points, and the stretch of the sound. The scale bounds are in seconds; the row of scale
// a answers the frequency centre / a Hz most, with centre the wavelet's centre frequency
// (WaveletFunction::centre_frequency), which the wavelet view shows.

#include <string>

struct CwtParameters {
    std::string wavelet = "haar";  // wavelet name and argument text, e.g. "morlet,2"
    int method = 0;                // 0 table method, otherwise direct method
    float scale_first = 0.05f;     // a, seconds
    float scale_last = 0.00005f;   // b, seconds
    int scale_count = 100;         // rows
    float start_time = 0.0f;       // seconds
    float end_time = 0.1f;         // seconds
    int time_count = 20;           // columns
    int division_type = 2;         // 0 linear, 1 reciprocal, 2 exponential
    int reserved1 = 1;             // carried, not used by the transform
    int keep_time_count = 1;       // 0: one column per sample
    long start_sample = 0;         // computed by the transform
    long end_sample = 0;
    int resolution = 200;          // table length of the table method
    int reserved2 = 0;             // carried, not used by the transform
    float sample_rate = 44100.0f;  // samples per second
};

#include "analysis/CancelToken.h"

// How a run is watched: its job's cancel token, looked at between two rows (the Escape key).
struct CwtControl {
    const CancelToken* cancel = nullptr;
    bool cancelled() const { return cancel && cancel->Cancelled(); }
};
