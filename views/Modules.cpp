#include "views/Modules.h"

#include "views/spectral/FftExport.h"
#include "views/time/InfoModule.h"
#include "views/time/MainSoundPictures.h"

void RegisterModules() {
    RegisterInfoModule();
    RegisterMainSoundPictures();
    RegisterFftExport();
}
