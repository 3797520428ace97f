// Helpers of the scan and loader tests: small MIDI files in trees, real clicks, work run once a
// modal window is on the screen.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "Controls.h"
#include "Dialogs.h"
#include "GetLocalCodeD2.h"
#include "FileCtrls.h"
#include "SysUtils.h"
#include "TestUtil.h"

// A small valid Standard MIDI File (one note); the tag keeps the files apart.
inline std::string TinyMidi(int tag) {
  const unsigned char bytes[] = {
      'M',  'T',  'h',  'd',  0,    0,
      0,    6,    0,    0,    0,    1,
      0,    0x60, 'M',  'T',  'r',  'k',
      0,    0,    0,    12,   0,    0x90,
      0x3C, 0x40, 0x60, 0x80, 0x3C, static_cast<unsigned char>(0x40 + tag % 32),
      0,    0xFF, 0x2F, 0};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// Writes files (relative paths) under root; a ".mid" gets a MIDI file, anything else text.
inline void MakeTree(const std::string& root, const std::vector<std::string>& files) {
  static int tag = 0;
  for (const auto& rel : files) {
    std::string path = root + rel;
    ForceDirectories(ExtractFilePath(path));
    bool midi = UpperCase(ExtractFileExt(rel)) == ".MID";
    WriteFileBytes(path, midi ? TinyMidi(++tag) : "text");
  }
}

// A real left click at a point of the screen.
inline void RealClickAt(POINT p) {
  SetCursorPos(p.x, p.y);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

// A real left click in the middle of a control (the window must be on the screen).
inline void RealClick(TWinControl& control) {
  SetForegroundWindow(GetAncestor(control.Handle(), GA_ROOT));
  RealClickAt(control.ClientToScreen({control.Width() / 2, control.Height() / 2}));
}

// Runs work once the modal window that is about to show is on the screen.
// Real input: a key pressed and let go.
inline void RealKey(WORD key) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

class TWhenShown {
public:
  explicit TWhenShown(std::function<void()> work) : FWork(std::move(work)) {
    FWindow = AllocateHWnd([this](UINT msg, WPARAM, LPARAM, LRESULT& result) {
      if (msg != WM_APP + 3) return false;
      FWork();
      result = 0;
      return true;
    });
  }
  ~TWhenShown() { DeallocateHWnd(FWindow); }
  void Post() { PostMessageA(FWindow, WM_APP + 3, 0, 0); }

private:
  std::function<void()> FWork;
  HWND FWindow;
};

// A folder list shows its folder's tree (the root, the levels down to it, the folder selected)
// from the first showing on.
inline void ExpectFolderTreeShown(TDirectoryListBox& dirs) {
  ASSERT_GT(dirs.Items().Count(), 1);
  const int open = dirs.ItemIndex();
  ASSERT_GE(open, 1);
  EXPECT_EQ(Trim(dirs.Items()[open]), ExtractFileName(dirs.Directory()));
  EXPECT_EQ(dirs.Items()[0], UpperCase(dirs.Directory().substr(0, 3)));
}

// Answers the loader's next showing as a user would: these paths in its list, the names typed when
// given, then OK.
inline void PushLoaderList(TModalAnswers& answers, const std::vector<std::string>& list,
                           const std::string& artist = "", const std::string& category = "") {
  answers.Push([list, artist, category](TModalRequest& r) {
    auto& w = static_cast<TGetLocalF&>(*r.Form);
    TStringList lines;
    for (const auto& p : list)
      lines.Add(p);
    w.ListBox1->Items().Assign(lines);
    if (!artist.empty()) w.Artists->SetText(artist);
    if (!category.empty()) w.Categories->SetText(category);
    w.BitBtn1->Click();
    return w.ModalResult();
  });
}
