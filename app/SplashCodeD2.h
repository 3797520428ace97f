// The splash: a borderless picture window shown while the catalogue loads.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include <functional>
#include <string>

class TSplashFrm : public TForm {
public:
  explicit TSplashFrm(TComponent* AOwner);

  TPanel* Panel1; // outer bevelled panel
  TPanel* Panel3; // white inner panel around the picture
  TImage* Image1;
  TLabel* Label1;
  TTimer* Timer1; // 1 s ticks that close the splash once start-up is done
  TTimer* Timer2;

  // Whether the main window has finished starting up; unset counts as done.
  std::function<bool()> StartUpDone;
  int TickCount() const { return FTickCount; }

  // Centres the window over the main window's place as the settings file iniPath describes
  // (Format Top, Left, Height, Width), or on the screen when there is no such file.
  void PlaceWindow(const std::string& iniPath);
  // The settings file the splash reads: the program file's name with ".ini".
  static std::string SettingsFileName();

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClick(TObject* Sender);
  void Panel3Click(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Timer1Timer(TObject* Sender);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  void DrawPicture();
  int FTickCount = 0;
};

// The line under the picture.
extern const char* const SplashText;
