#include "views/Modules.h"

#include "views/nonlinear/AnalyseModule.h"
#include "views/nonlinear/RekoModule.h"
#include "views/nonlinear/ZeitreiheModule.h"
#include "views/spectral/FFT3DModule.h"
#include "views/spectral/FftModule.h"
#include "views/spectral/NotenbildModule.h"
#include "views/spectral/SonoModule.h"
#include "views/time/InfoModule.h"
#include "views/time/MainSoundPictures.h"
#include "views/wavelet/WaveletModule.h"

void RegisterModules() {
    RegisterInfoModule();
    RegisterMainSoundPictures();
    RegisterFftModule();
    RegisterAnalyseModule();
    RegisterZeitreiheModule();
    RegisterWaveletModule();
    RegisterSonoModule();
    RegisterNotenbildModule();
    RegisterFFT3DModule();
    RegisterRekoModule();
}
