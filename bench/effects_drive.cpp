// Helper of effects_cpu.sh: waits for the running program's main window, sizes it and, when
// asked, shows the music panel's displays from the View menu by keyboard, as a user
// would.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
  Sleep(150);
}

void Press(WORD vk) {
  Key(vk, false);
  Key(vk, true);
}

} // namespace

// effects_drive.exe WIDTH HEIGHT [show]
int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HWND main = nullptr;
  for (int i = 0; i < 600 && !main; ++i) {
    main = FindWindowA("TMasterFrm", nullptr);
    if (!main) Sleep(100);
  }
  if (!main) {
    std::fprintf(stderr, "no main window\n");
    return 1;
  }
  Sleep(2000); // start-up settles
  SetWindowPos(main, nullptr, 0, 0, std::atoi(argv[1]), std::atoi(argv[2]), SWP_NOZORDER);
  if (argc > 3 && std::strcmp(argv[3], "show") == 0) {
    SetForegroundWindow(main);
    Sleep(300);
    // Alt+V opens View on its first item; Up wraps to the last (the tab colours), once more
    // comes to the music toolbar's switch.
    Key(VK_MENU, false);
    Press('V');
    Key(VK_MENU, true);
    Press(VK_UP);
    Press(VK_UP);
    Press(VK_RETURN);
  }
  return 0;
}
