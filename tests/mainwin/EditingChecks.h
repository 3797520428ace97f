// Where the editing tests leave files for the host checker and the screenshots.
#pragma once
#include <string>
#include "Graphics.h"
#include "SysUtils.h"
#include "TestUtil.h"

// build/out/checks/mainwin_editing, made when missing.
inline std::string EditingCheckDir() {
  std::string dir = WinPath(EnvVar("TB_BUILD_DIR")) + "\\checks\\mainwin_editing\\";
  ForceDirectories(dir + "shots\\");
  return dir;
}

inline void SaveShot(const TBitmap& shot, const std::string& name) {
  shot.SaveToFile(EditingCheckDir() + "shots\\" + name);
}
