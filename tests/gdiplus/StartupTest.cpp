#include "GdiplusFixtures.h"

#include <gdiplus/Diagnostics.h>

namespace {

using namespace Gdiplus;
using gdiplus_test::Dib;

TEST(Startup, CallsOutsideAStartedGdiplusFail) {
    Dib picture(1, 1);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    {
        Image image(stream);
        Graphics graphics(picture.Dc());
        std::unique_ptr<Bitmap> bitmap(Bitmap::FromHBITMAP(picture.Bitmap(), nullptr));
        Pen pen(Color(0xFF000000));
        EXPECT_EQ(image.GetLastStatus(), GdiplusNotInitialized);
        EXPECT_EQ(graphics.GetLastStatus(), GdiplusNotInitialized);
        EXPECT_EQ(bitmap->GetLastStatus(), GdiplusNotInitialized);
        EXPECT_EQ(pen.GetLastStatus(), GdiplusNotInitialized);
        EXPECT_EQ(graphics.DrawLine(&pen, 0, 0, 0, 0), GdiplusNotInitialized);
    }
    EXPECT_EQ(stream->Release(), 0u) << "a failed image took no reference";
}

TEST(Startup, NestsAndStopsWithTheLastToken) {
    GdiplusStartupInput input;
    EXPECT_EQ(input.GdiplusVersion, 1u);
    EXPECT_EQ(input.DebugEventCallback, nullptr);
    EXPECT_EQ(input.SuppressBackgroundThread, FALSE);
    EXPECT_EQ(input.SuppressExternalCodecs, FALSE);
    ULONG_PTR outer = 0;
    ULONG_PTR inner = 0;
    ASSERT_EQ(GdiplusStartup(&outer, &input, nullptr), Ok);
    ASSERT_EQ(GdiplusStartup(&inner, &input, nullptr), Ok);
    EXPECT_NE(outer, inner);
    Dib picture(1, 1);
    GdiplusShutdown(inner);
    GdiplusShutdown(inner); // already given back: ignored
    EXPECT_EQ(Graphics(picture.Dc()).GetLastStatus(), Ok);
    GdiplusShutdown(outer);
    EXPECT_EQ(Graphics(picture.Dc()).GetLastStatus(), GdiplusNotInitialized);
    EXPECT_EQ(gdiplus::LiveObjectCount(), 0u);
}

TEST(Startup, RefusesBadInput) {
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    EXPECT_EQ(GdiplusStartup(nullptr, &input, nullptr), InvalidParameter);
    EXPECT_EQ(GdiplusStartup(&token, nullptr, nullptr), InvalidParameter);
    GdiplusStartupInput suppressed(nullptr, TRUE);
    EXPECT_EQ(GdiplusStartup(&token, &suppressed, nullptr), InvalidParameter);
    GdiplusStartupInput later;
    later.GdiplusVersion = 2;
    EXPECT_EQ(GdiplusStartup(&token, &later, nullptr), UnsupportedGdiplusVersion);

    GdiplusStartupOutput output;
    ASSERT_EQ(GdiplusStartup(&token, &suppressed, &output), Ok);
    ASSERT_NE(output.NotificationHook, nullptr);
    ULONG_PTR hookToken = 1;
    EXPECT_EQ(output.NotificationHook(&hookToken), Ok);
    output.NotificationUnhook(hookToken);
    GdiplusShutdown(token);
}

} // namespace
