// The sound library's start-up.
#include "MMInit.h"
#include "MMObj.h"
#include "MMACM.h"
#include "MMConect.h"
#include "MMLevel.h"
#include "MMLight.h"
#include "MMMeter.h"
#include "MMOscope.h"
#include "MMSlider.h"
#include "MMSpGram.h"
#include "MMSpectr.h"
#include "MMUtils.h"

void InitSoundUnits() {
  LoadLibraryCursors();
  (void)Win95Platform(); // read the platform once, now
  RegisterMMSlider();
  RegisterMMLevel();
  RegisterMMMeter();
  RegisterMMConnector();
  BindACM();
  RegisterMMOscope();
  RegisterMMSpectrum();
  RegisterMMSpectrogram();
  RegisterMMLight();
}
