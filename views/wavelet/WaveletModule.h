#pragma once

// Registers the wavelet window and its command-line entries (--render wavelet,
// --export wavelet, --cwt-method table|direct).
void RegisterWaveletModule();
