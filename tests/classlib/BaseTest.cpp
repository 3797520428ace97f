// The class library's base: exception boundary, command line, string lists, streams, dates, text.
#include <gtest/gtest.h>
#include <windows.h>
#include "Bytes.h"
#include "Classes.h"
#include "Controls.h"
#include "Guard.h"
#include "Handles.h"
#include "MessageBox.h"
#include "Messages.h"
#include "SysUtils.h"
#include "TestUtil.h"

namespace {

std::string gCaught;

LRESULT CALLBACK ThrowingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 1)
    return Guard<LRESULT>(-1,
                          []() -> LRESULT { throw Exception("thrown inside a window procedure"); });
  return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace

TEST(Boundary, ExceptionInWindowProcedureReachesHandlerAndProcessGoesOn) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ThrowingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TbThrowingWindow";
  RegisterClassA(&wc);
  HWND w = CreateWindowA("TbThrowingWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                         nullptr);
  ASSERT_NE(w, nullptr);
  gCaught.clear();
  TBoundaryHandler former = BoundaryHandler();
  SetBoundaryHandler([](std::exception_ptr e) { gCaught = ExceptionMessage(e); });
  LRESULT r = SendMessageA(w, WM_APP + 1, 0, 0);
  // Posted too: the exception is raised from inside DispatchMessage.
  PostMessageA(w, WM_APP + 1, 0, 0);
  ProcessMessages();
  SetBoundaryHandler(former); // later tests keep reporting what reaches a boundary
  DestroyWindow(w);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(gCaught, "thrown inside a window procedure");
}

TEST(CommandLine, QuotesGroupAndAreDroppedBackslashesStay) {
  auto p =
      SplitCommandLine("  \"C:\\Program Files\\tb.exe\" P \"C:\\My Music\\a b.mid\"  x\\\"y z\" ");
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0], "C:\\Program Files\\tb.exe");
  EXPECT_EQ(p[1], "P");
  EXPECT_EQ(p[2], "C:\\My Music\\a b.mid");
  EXPECT_EQ(p[3], "x\\y z"); // a quote opens a group mid-word; backslash is no escape
  EXPECT_TRUE(SplitCommandLine("   ").empty());
  EXPECT_EQ(SplitCommandLine("a\t\"\"  b").size(), 3u); // an empty quoted parameter counts
}

TEST(CommandLine, ParamStrZeroIsThisProgram) {
  EXPECT_TRUE(SameText(ExtractFileExt(ParamStr(0)), ".exe"));
  EXPECT_TRUE(FileExists(ParamStr(0)));
  EXPECT_EQ(AppFolder(), ExtractFilePath(ParamStr(0)));
}

TEST(StringList, SortedListsKeepOrderAndFindIgnoresAsciiCase) {
  TStringList l;
  l.SetSorted(true);
  l.Add("pear");
  l.Add("Apple");
  l.Add("banana");
  EXPECT_EQ(l.Add("APPLE"), 0); // duplicates ignored by default
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l[0], "Apple");
  EXPECT_EQ(l[2], "pear");
  EXPECT_EQ(l.IndexOf("BANANA"), 1);
  EXPECT_EQ(l.IndexOf("cherry"), -1);
  EXPECT_THROW(l.Insert(0, "x"), EStringListError);
  EXPECT_THROW(l.Strings(3), EStringListError);
  l.SetDuplicates(TStringList::TDuplicates::dupError);
  EXPECT_THROW(l.Add("Pear"), EStringListError);
}

TEST(StringList, TextUsesCrLfAndSplitsAnyLineBreak) {
  TStringList l;
  l.SetText("one\r\ntwo\nthree\rfour");
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l[3], "four");
  EXPECT_EQ(l.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  l.Insert(1, "x");
  l.Move(1, 4);
  EXPECT_EQ(l[4], "x");
  l.Delete(0);
  EXPECT_EQ(l[0], "two");
  TScratchDir d("sl");
  l.SaveToFile(d / "l.txt");
  TStringList m;
  m.LoadFromFile(d / "l.txt");
  EXPECT_EQ(m.Text(), l.Text());
}

TEST(Streams, ShareModesAreEnforced) {
  TScratchDir d("fs");
  std::string path = d / "data.bin";
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("abcdef", 6);
  }
  {
    TFileStream exclusive(path, fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyNone), EFOpenError);
  }
  {
    TFileStream reader(path, fmOpenRead | fmShareDenyWrite);
    // A second reader may come in; a writer may not.
    TFileStream reader2(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream(path, fmOpenReadWrite | fmShareDenyNone), EFOpenError);
    char buf[10] = {};
    reader.Seek(2, soBeginning);
    EXPECT_EQ(reader.Read(buf, 10), 4);
    EXPECT_STREQ(buf, "cdef");
    EXPECT_THROW(reader.ReadBuffer(buf, 1), EReadError);
    EXPECT_EQ(reader.Size(), 6);
  }
  try {
    TFileStream missing(d / "missing.bin", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("missing.bin"), std::string::npos);
  }
}

TEST(Streams, MemoryStreamGrowsAndCopies) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  m.Seek(10, soBeginning);
  m.WriteBuffer("!", 1);
  EXPECT_EQ(m.Size(), 11);
  EXPECT_EQ(m.Memory()[7], 0);
  TMemoryStream n;
  n.CopyFrom(m, 0);
  EXPECT_EQ(n.Data(), m.Data());
}

TEST(Dates, DaysCountFrom30December1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
  EXPECT_EQ(EncodeDate(1970, 1, 1), 25569.0);
  EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
  int y, m, d, h, n, s, ms;
  for (TDateTime v : {0.0, 2.0, 36585.0, 45000.0, 73050.0, -5.0}) {
    DecodeDate(v, y, m, d);
    EXPECT_EQ(EncodeDate(y, m, d), v);
  }
  DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
  EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 134530250);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", EncodeDate(2001, 5, 3) + EncodeTime(7, 8, 9, 0)),
            "2001-05-03 07:08:09");
}

TEST(Dates, FileTimeIsLocalModificationTime) {
  TScratchDir d("ft");
  WriteFileBytes(d / "f.txt", "x");
  double age = Now() - FileDateTime(d / "f.txt");
  EXPECT_GE(age, -1.0 / 86400);
  EXPECT_LT(age, 60.0 / 86400); // written moments ago, in the same clock as Now
  EXPECT_EQ(FileDateTime(d / "none.txt"), 0.0);
}

TEST(Dates, AFileTimeBeyondTheCalendarGivesZeroInsteadOfRaising) {
  // Year 12000: a file system can hold it, the date-time calendar ends at 9999.
  uint64_t year12000 = 3283000000000000000ULL;
  EXPECT_EQ(FileTimeToLocalDateTime(year12000), 0.0);
  EXPECT_GT(FileTimeToLocalDateTime(132000000000000000ULL), 0.0); // 2019
}

TEST(Text, AsciiCaseHelpersLeaveOtherBytesAlone) {
  EXPECT_EQ(UpperCase("abc\xe9z"), "ABC\xe9Z");
  EXPECT_EQ(CompareText("ABC", "abd") < 0, true);
  EXPECT_TRUE(SameText("MiDi", "midi"));
  EXPECT_FALSE(SameText("\xe9", "\xc9"));
  EXPECT_EQ(Trim("  \t x y \r\n"), "x y");
  EXPECT_EQ(StrToIntDef("12x", 7), 7);
  EXPECT_EQ(StrToInt(" -42 "), -42);
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(Paths, SplitAndJoin) {
  EXPECT_EQ(ExtractFilePath("C:\\a\\b.mid"), "C:\\a\\");
  EXPECT_EQ(ExtractFileDir("C:\\a\\b.mid"), "C:\\a");
  EXPECT_EQ(ExtractFileDir("C:\\b.mid"), "C:\\");
  EXPECT_EQ(ExtractFileName("C:\\a\\b.mid"), "b.mid");
  EXPECT_EQ(ExtractFileExt("C:\\a.x\\b"), "");
  EXPECT_EQ(ChangeFileExt("C:\\a\\b.mid", ".ini"), "C:\\a\\b.ini");
  EXPECT_EQ(ChangeFileExt("C:\\a.d\\b", ".ini"), "C:\\a.d\\b.ini");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  TScratchDir d("p");
  EXPECT_TRUE(ForceDirectories(d / "x\\y\\z"));
  EXPECT_TRUE(DirectoryExists(d / "x\\y\\z"));
  EXPECT_GT(DiskFree(d.Path()), 0);
}

TEST(ShortStrings, CutToRoomAndClampedOnRead) {
  uint8_t buf[6];
  std::memset(buf, 0xAA, sizeof buf);
  PutShortString(buf, 4, "MIDIX");
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(GetShortString(buf, 4), "MIDI");
  PutShortString(buf, 4, "RMI");
  EXPECT_EQ(buf[4], 0); // bytes past the length are cleared
  buf[0] = 200;         // a corrupt length
  EXPECT_EQ(GetShortString(buf, 4).size(), 4u);
}

namespace {
int gTimerFired = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
  ++gTimerFired;
}
} // namespace

TEST(Messages, PumpUntilRunsTimersAndHonoursTimeout) {
  gTimerFired = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 20, CountTick);
  bool got = PumpUntil([] { return gTimerFired >= 2; }, 5000);
  KillTimer(nullptr, id);
  EXPECT_TRUE(got);
  EXPECT_FALSE(PumpUntil([] { return false; }, 50));
}

TEST(Messages, AWaitInsideAHandlerOfAnotherWaitLeavesTheQueueToTheOuterOne) {
  int handled = 0, depthInside = 0;
  bool nestedReached = true, nestedSaw = true;
  HWND w = nullptr;
  w = AllocateHWnd([&](UINT msg, WPARAM, LPARAM, LRESULT&) {
    if (msg == WM_APP + 1) {
      depthInside = WaitDepth();
      PostMessageA(w, WM_APP + 2, 0, 0);
      // The outer wait's handler is still running: the posted message stays queued.
      nestedReached = WaitFor([&] { return handled > 0; }, 100);
      LetMessagesRun();
      nestedSaw = handled > 0;
      return true;
    }
    if (msg == WM_APP + 2) {
      ++handled;
      return true;
    }
    return false;
  });
  PostMessageA(w, WM_APP + 1, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return handled == 1; }, 5000));
  EXPECT_EQ(depthInside, 1);
  EXPECT_FALSE(nestedReached);
  EXPECT_FALSE(nestedSaw);
  EXPECT_EQ(WaitDepth(), 0);
  // With no wait under way, a job's pause runs the queue.
  PostMessageA(w, WM_APP + 2, 0, 0);
  LetMessagesRun();
  EXPECT_EQ(handled, 2);
  // A condition that raises ends the wait and leaves no wait counted.
  EXPECT_THROW(WaitFor([]() -> bool { throw Exception("cannot tell"); }, 100), Exception);
  EXPECT_EQ(WaitDepth(), 0);
  DeallocateHWnd(w);
}

TEST(Handles, AnOwnedHandleIsClosedOnEveryWayOutAndReleasedOnlyOnRequest) {
  DWORD flags = 0;
  HANDLE raw = nullptr;
  try {
    TKernelHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    raw = event.Get();
    ASSERT_TRUE(GetHandleInformation(raw, &flags));
    throw Exception("leaving");
  } catch (const Exception&) {
  }
  EXPECT_FALSE(GetHandleInformation(raw, &flags));
  TKernelHandle kept;
  {
    TKernelHandle made(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    kept = std::move(made);
  }
  ASSERT_TRUE(kept.Valid());
  EXPECT_TRUE(GetHandleInformation(kept.Get(), &flags));
  HANDLE given = kept.Release();
  EXPECT_FALSE(kept.Valid());
  EXPECT_TRUE(GetHandleInformation(given, &flags));
  CloseHandle(given);
  // A failed open owns nothing, whichever failure value the function uses.
  EXPECT_FALSE(TKernelHandle(INVALID_HANDLE_VALUE).Valid());
  EXPECT_FALSE(TFindHandle(INVALID_HANDLE_VALUE).Valid());
  bool lowered = false;
  {
    TFlagHold busy(lowered);
    EXPECT_TRUE(lowered);
  }
  EXPECT_FALSE(lowered);
}

TEST(MessageBoxSeam, HookAnswersAndRecords) {
  std::string seen;
  SetMessageBoxHook([&](const std::string& text, const std::string&, unsigned flags) {
    seen = text;
    return (flags & MB_YESNO) ? IDNO : IDOK;
  });
  EXPECT_EQ(PlainMessageBox("Delete?", "Tonalbrook", MB_YESNO), IDNO);
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(seen, "Delete?");
}

TEST(Paths, DeleteFileWorksWhateverTheIncludeOrder) {
  TScratchDir d("del");
  WriteFileBytes(d / "a.txt", "a");
  EXPECT_TRUE(DeleteFile(d / "a.txt")); // windows.h is included above: the macro form
  EXPECT_FALSE(FileExists(d / "a.txt"));
  EXPECT_FALSE(DeleteFile(d / "a.txt"));
}
