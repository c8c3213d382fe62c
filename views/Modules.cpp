#include "views/Modules.h"

#include "views/spectral/FftModule.h"
#include "views/spectral/NotenbildModule.h"
#include "views/spectral/SonoModule.h"
#include "views/time/InfoModule.h"
#include "views/time/MainSoundPictures.h"

void RegisterModules() {
    RegisterInfoModule();
    RegisterMainSoundPictures();
    RegisterFftModule();
    RegisterSonoModule();
    RegisterNotenbildModule();
}
