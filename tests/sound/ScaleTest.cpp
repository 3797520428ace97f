// The tick scale drawn into a bitmap: tick columns and lengths against Python's places, the
// origin side, base line room, zones, and the counts and spacings that have nothing to divide.
#include <gtest/gtest.h>
#include "MMScale.h"
#include "MMStrings.h"
#include "TestUtil.h"
#include <fstream>
#include <map>
#include <sstream>

namespace {

struct TScaleShot {
  TBitmap Bmp;
  TMMScale Scale;
  TScaleShot(int w, int h) : Bmp(w, h) {
    Bmp.Canvas().Brush().SetColor(clWhite);
    Bmp.Canvas().FillRect({0, 0, w, h});
    Scale.SetCanvas(&Bmp.Canvas());
  }
  // Non-white pixels in column x between rows top and bottom.
  int Column(int x, int top, int bottom) {
    GdiFlush();
    int n = 0;
    for (int y = top; y < bottom; ++y)
      n += Bmp.Pixel(x, y) != clWhite;
    return n;
  }
};

} // namespace

TEST(MMScale, TicksStandWherePythonPutsThem) {
  std::ifstream in(OracleDir("sound") + "scale.txt");
  ASSERT_TRUE(in);
  std::string line;
  int cases = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    int length, count, every, size;
    s >> length >> count >> every >> size;
    std::map<int, int> expected;
    std::string tick;
    while (s >> tick)
      expected[std::stoi(tick)] = std::stoi(tick.substr(tick.find(':') + 1));
    TScaleShot shot(length + 21, 30);
    shot.Scale.SetTickCount(count);
    shot.Scale.SetEnlargeEvery(every);
    shot.Scale.SetSize(size);
    // Below its control with ticks from the inner edge: they hang down from the top.
    shot.Scale.Draw({10, 5, 10 + length + 1, 5 + size}, TMMScalePos::spBelowOrRight);
    for (int x = 0; x < length + 21; ++x) {
      int want = x >= 10 && expected.count(x - 10) ? expected[x - 10] : 0;
      ASSERT_EQ(shot.Column(x, 0, 30), want) << line << " column " << x;
      if (want) {
        EXPECT_NE(shot.Bmp.Pixel(x, 5), clWhite) << "starts at the top edge";
      }
    }
    ++cases;
  }
  EXPECT_EQ(cases, 6);
}

TEST(MMScale, OriginAndSideMirrorTheTicks) {
  TScaleShot shot(120, 40);
  shot.Scale.SetOrigin(soOuter); // below the control, grows from its far (lower) edge
  shot.Scale.Draw({10, 10, 111, 17}, TMMScalePos::spBelowOrRight);
  EXPECT_NE(shot.Bmp.Pixel(30, 16), clWhite); // short tick at place 20 reaches the bottom row
  EXPECT_EQ(shot.Bmp.Pixel(30, 13), clWhite);
  TScaleShot above(120, 40);
  above.Scale.SetOrigin(soOuter); // above the control the outer edge is the top
  above.Scale.Draw({10, 10, 111, 17}, TMMScalePos::spAboveOrLeft);
  EXPECT_NE(above.Bmp.Pixel(30, 10), clWhite);
  EXPECT_EQ(above.Bmp.Pixel(30, 13), clWhite);
  // A tall rectangle makes a vertical scale: ticks are rows.
  TScaleShot tall(40, 120);
  tall.Scale.Draw({5, 10, 12, 111}, TMMScalePos::spBelowOrRight);
  GdiFlush();
  EXPECT_NE(tall.Bmp.Pixel(5, 60), clWhite); // long tick at place 50
  EXPECT_NE(tall.Bmp.Pixel(11, 60), clWhite);
  EXPECT_NE(tall.Bmp.Pixel(7, 70), clWhite); // short tick at place 60, 3 long
  EXPECT_EQ(tall.Bmp.Pixel(8, 70), clWhite);
}

TEST(MMScale, ConnectedLoweredNeedsNinePixelsAndZonesColourTicks) {
  TMMScale s;
  s.SetConnect(true);
  s.SetStyle(stLowered);
  EXPECT_EQ(s.Room(), 9);
  EXPECT_EQ(s.BaseOffset(), 2);
  s.SetStyle(stColor);
  EXPECT_EQ(s.Room(), 8);

  TScaleShot shot(120, 20);
  shot.Scale.SetConnect(true);
  shot.Scale.SetZoneColors(clLime, clYellow, clRed);
  shot.Scale.SetZonePoints(3, 8);
  shot.Scale.Draw({0, 0, 101, 8}, TMMScalePos::spBelowOrRight);
  GdiFlush();
  EXPECT_EQ(shot.Bmp.Pixel(10, 0), clLime); // base line, first zone (limit 30)
  EXPECT_EQ(shot.Bmp.Pixel(50, 0), clYellow);
  EXPECT_EQ(shot.Bmp.Pixel(90, 0), clRed);
  EXPECT_EQ(shot.Bmp.Pixel(20, 2), clLime); // ticks below the base line
  EXPECT_EQ(shot.Bmp.Pixel(50, 2), clYellow);
  EXPECT_EQ(shot.Bmp.Pixel(100, 2), clRed);

  // Raised: zones unused even when set; setting Color makes one colour again.
  TScaleShot raised(120, 20);
  raised.Scale.SetZoneColors(clLime, clYellow, clRed);
  raised.Scale.SetZonePoints(3, 8);
  raised.Scale.SetStyle(stRaised);
  raised.Scale.Draw({0, 0, 101, 8}, TMMScalePos::spBelowOrRight);
  GdiFlush();
  EXPECT_EQ(raised.Bmp.Pixel(0, 0), clWhite);
  EXPECT_EQ(raised.Bmp.Pixel(1, 0), clBlack);
  raised.Scale.SetColor(clNavy);
  EXPECT_EQ(raised.Scale.Color(), clNavy);
}

TEST(MMScale, CountsWithoutSpacingDrawWithoutFault) {
  TScaleShot one(120, 20);
  one.Scale.SetTickCount(1);
  one.Scale.Draw({0, 0, 101, 8}, TMMScalePos::spBelowOrRight);
  EXPECT_EQ(one.Column(0, 0, 20), 7);
  for (int x = 1; x < 120; ++x)
    ASSERT_EQ(one.Column(x, 0, 20), 0) << x;
  TScaleShot none(120, 20);
  none.Scale.SetTickCount(0);
  none.Scale.SetZoneColors(clLime, clYellow, clRed);
  none.Scale.Draw({0, 0, 101, 8}, TMMScalePos::spBelowOrRight);
  for (int x = 0; x < 120; ++x)
    ASSERT_EQ(none.Column(x, 0, 20), 0) << x;
  TScaleShot flat(120, 20);
  flat.Scale.SetEnlargeEvery(0);
  flat.Scale.Draw({0, 0, 101, 8}, TMMScalePos::spBelowOrRight);
  EXPECT_EQ(flat.Column(0, 0, 20), 3); // no long ticks
  EXPECT_EQ(flat.Column(50, 0, 20), 3);

  TMMScale bare;
  int changes = 0;
  bare.OnChange = [&](TObject*) { ++changes; };
  bare.SetTickCount(11);
  bare.SetSize(9);
  EXPECT_EQ(changes, 1);
  try {
    bare.Draw({0, 0, 100, 8}, TMMScalePos::spBelowOrRight);
    ADD_FAILURE() << "drew without a canvas";
  } catch (const EMMScaleError& e) {
    EXPECT_STREQ(e.what(), "Canvas needed for this operation");
  }
}
