#pragma once
// Puts a document into a state that otherwise needs a sound card, a running sound (listening,
// recording, playing) or a loaded file, for the views and windows that react to it.

#include "document/SoundDocument.h"

class DocumentTestAccess {
public:
    static DocumentActivity& Activity(SoundDocument& doc) { return doc.m_activity; }

    static int& BitsPerSample(SoundDocument& doc) { return doc.m_bitsPerSample; }
    static int& SampleRate(SoundDocument& doc) { return doc.m_sampleRate; }
    static double& FullScale(SoundDocument& doc) { return doc.m_fullScale; }
    static QString& FileName(SoundDocument& doc) { return doc.m_fileName; }
    static WaveFormat& CaptureFormat(SoundDocument& doc) { return doc.m_captureFormat; }
    static int& FftPoints(SoundDocument& doc) { return doc.m_fftPoints; }
    static int& SpectrumPoints(SoundDocument& doc) { return doc.m_spectrumPoints; }
    static std::vector<double>& SelectedSamples(SoundDocument& doc) { return doc.m_selSamples; }
    static std::vector<double>& Spectrum(SoundDocument& doc) { return doc.m_spectrum; }
    static std::vector<float>& WaveletResult(SoundDocument& doc) { return doc.m_waveletResult; }
    static CwtParameters& WaveletParameters(SoundDocument& doc) { return doc.m_cwtParameters; }
};
