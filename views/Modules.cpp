#include "views/Modules.h"

#include "views/nonlinear/AnalysisModule.h"
#include "views/nonlinear/ReconstructionModule.h"
#include "views/nonlinear/TimeSeriesModule.h"
#include "views/spectral/FftModule.h"
#include "views/spectral/LandscapeModule.h"
#include "views/spectral/ScoreModule.h"
#include "views/spectral/SonogramModule.h"
#include "views/time/InfoModule.h"
#include "views/time/MainSoundPictures.h"
#include "views/wavelet/WaveletModule.h"

void RegisterModules() {
    RegisterInfoModule();
    RegisterMainSoundPictures();
    RegisterFftModule();
    RegisterAnalysisModule();
    RegisterTimeSeriesModule();
    RegisterWaveletModule();
    RegisterSonoModule();
    RegisterScoreModule();
    RegisterFFT3DModule();
    RegisterReconstructionModule();
}
