#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <raster/Png.h>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

fs::path ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// Runs a command, returning what it printed and its exit status.
std::pair<std::string, int> RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return {out, -1};
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(TarvikShot, FromAFolderWithoutTheLibraryShowsTheBoxAndTakesThePicture) {
    const fs::path dir = fs::temp_directory_path() / ("tarvik-shot-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path picture = dir / "p.png";
    const auto [out, code] = RunCommand("cd '" + dir.string() + "' && '" +
                                        (ExecutableFolder() / "tarvik-shot").string() +
                                        "' --seconds 1.5 --picture p.png");
    EXPECT_EQ(code, 0);
    EXPECT_NE(out.find("{\"messagebox\": {\"caption\": \"tarvik-shot\", \"text\": "
                       "\"OpenHardwareMonitorLib.dll not found.\", \"type\": 48}}"),
              std::string::npos)
        << out;
    // Every panel is reported; the hardware-monitor panels keep their captions.
    EXPECT_NE(out.find("{\"panel\": 1000, \"name\": \"IDC_CPU\", \"text\": \"CPU\"}"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\"name\": \"IDC_DISK_QUEUE\""), std::string::npos);

    auto image = raster::ReadPngFile(picture);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), 195);
    EXPECT_EQ(image->Height(), 413);
    auto view = image->View();
    // Transparent corners, the grey field, and dark glyph pixels of a caption
    // in the left column.
    EXPECT_EQ(raster::AlphaOf(view.At(0, 0)), 0);
    EXPECT_EQ(raster::AlphaOf(view.At(194, 0)), 0);
    int dark = 0;
    for (int y = 36; y < 60; ++y)
        for (int x = 42; x < 80; ++x)
            if (raster::AlphaOf(view.At(x, y)) == 255 && raster::RedOf(view.At(x, y)) < 80)
                ++dark;
    EXPECT_GT(dark, 10);
    fs::remove_all(dir);
}

} // namespace
