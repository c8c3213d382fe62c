#pragma once
// What a view needs of the module window it sits in: setting the controls of its control bar
// by their numbers.

class IModuleFrame {
public:
    virtual ~IModuleFrame() = default;
    virtual void SetControlInt(int controlId, int value) = 0;
    virtual void SetSliderRange(int controlId, int minimum, int maximum, int position) = 0;
};

// The module windows the document keeps a reference to. Modules the program gains by their
// registration alone take numbers from Count on; the document keeps none of them.
enum class Module {
    Info,
    Reconstruction,
    Fft,
    TimeSeries,
    Sonogram,
    Landscape,
    Analysis,
    Score,
    Wavelet,
    Count
};

constexpr bool IsDocumentModule(Module m) {
    return static_cast<int>(m) >= 0 && m < Module::Count;
}
