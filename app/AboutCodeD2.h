// The about box: the program's name, version and web page.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

constexpr const char* AppVersionText = "3.7.1";

class TAboutBoxD2 : public TForm {
public:
  // The product's web page that Label4 shows and opens.
  static constexpr const char* ProductPage = "https://www.tonalbrook.example/";
  // iconSource: the window whose icon the box shows (the program's icon when nullptr).
  TAboutBoxD2(TComponent* AOwner, TForm* iconSource = nullptr);

  TPanel* Panel1;
  TLabel* Version;
  TLabel* Label4;
  TPanel* Panel2;
  TImage* Image2;
  TButton* OKButton;

  // Opens an address with the shell's "open" verb and answers ShellExecute's result; a seam so
  // that tests open nothing.
  std::function<intptr_t(const std::string& url)> OpenWebPage;
  void Label4Click(TObject* Sender);

private:
  void Arrange();
};

// Makes the box, shows it modally centred over owner and frees it; opens pages through
// openWebPage when given.
void ShowAboutBox(TForm* owner,
                  const std::function<intptr_t(const std::string&)>& openWebPage = nullptr);
