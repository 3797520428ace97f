// Helper of effects_cpu.sh: waits for the running program's main window, sizes it and, when
// asked, shows the music panel's displays from the View menu by keyboard, as a user
// would; or reads the frames each display received and the frames due, from the displays'
// loop window.
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

// The connector's count query (its hidden window's message): lParam 2 takes a snapshot, then
// wParam slot with lParam 0 reads the frames received, with 1 the frames due.
constexpr UINT CountsMessage = 45561;

int PrintCounts() {
  static const char* const names[14] = {
      "level1", "level2",    "meter1",    "meter2",    "oscope1",   "oscope2",      "light1",
      "light2", "spectrum1", "spectrum2", "spectrum3", "spectrum4", "spectrogram1", "spectrogram2"};
  HWND loop = FindWindowA("TMMConnectorWindow", nullptr);
  if (!loop) {
    std::fprintf(stderr, "no display loop window\n");
    return 1;
  }
  DWORD_PTR taken = 0;
  if (!SendMessageTimeoutA(loop, CountsMessage, 0, 2, SMTO_ABORTIFHUNG, 5000, &taken)) return 1;
  for (int slot = 0; slot < 14; ++slot) {
    DWORD_PTR received = 0, due = 0;
    if (!SendMessageTimeoutA(loop, CountsMessage, slot, 0, SMTO_ABORTIFHUNG, 5000, &received) ||
        !SendMessageTimeoutA(loop, CountsMessage, slot, 1, SMTO_ABORTIFHUNG, 5000, &due))
      return 1;
    if (due > 0) std::printf("frames %s: %d of %d\n", names[slot], int(received), int(due));
  }
  return 0;
}

// effects_drive.exe WIDTH HEIGHT [show] | effects_drive.exe counts
int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "counts") == 0) return PrintCounts();
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
