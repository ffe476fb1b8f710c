// PNG and GIF files written from pictures, read back with the same libraries.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "offscreen/imagefile.h"
#include "tests/support/imagedecode.h"
#include "tests/support/tempdir.h"

namespace {

// A w x h picture of `colours` distinct colours (up to 65536): pixel i has colour
// number (i + shift) mod colours, spread over all three bytes.
RgbImage colourpicture(int w, int h, int colours, int shift = 0) {
    RgbImage p = {w, h, std::vector<unsigned char>(static_cast<size_t>(w) * h * 3)};
    for (int i = 0; i < w * h; ++i) {
        const int c = (i + shift) % colours * 257 + 7;
        p.rgb[3 * i] = static_cast<unsigned char>(c >> 16);
        p.rgb[3 * i + 1] = static_cast<unsigned char>(c >> 8);
        p.rgb[3 * i + 2] = static_cast<unsigned char>(c);
    }
    return p;
}

TEST(ImageFile, PngReadsBackAsWritten) {
    TempDir folder;
    const std::string path = folder.file("picture.png");
    const RgbImage p = colourpicture(37, 23, 1000);
    ASSERT_TRUE(writepng(path.c_str(), p).ok());
    RgbImage back;
    ASSERT_TRUE(readpng(path, back));
    EXPECT_EQ(back.w, 37);
    EXPECT_EQ(back.h, 23);
    EXPECT_EQ(pixeldifferences(p, back), 0);
}

TEST(ImageFile, FilesInAMissingFolderAreRefused) {
    const RgbImage p = colourpicture(4, 4, 2);
    EXPECT_EQ("/nonexistent-folder/picture.png could not be written: No such file or directory",
              writepng("/nonexistent-folder/picture.png", p).message);
    EXPECT_EQ("/nonexistent-folder/motion.gif could not be written: No such file or directory",
              gifbegin("/nonexistent-folder/motion.gif", 4, 4).message);
}

// The file asked for changes only when the picture is complete: an animation ended
// without keeping it, or a picture for a full disk, leaves it as it was.
TEST(ImageFile, UnfinishedOrUnwritablePictureLeavesTheFile) {
    TempDir folder;
    const std::string path = folder.file("motion.gif");
    std::FILE *f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("old", f);
    std::fclose(f);
    ASSERT_TRUE(gifbegin(path.c_str(), 8, 8).ok());
    ASSERT_TRUE(gifframe(colourpicture(8, 8, 5), 4).ok());
    DecodedGif gif;
    EXPECT_FALSE(readgif(path, gif)) << "the old file while frames are written";
    gifabandon();
    EXPECT_FALSE(readgif(path, gif));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"motion.gif"});
    ASSERT_TRUE(gifbegin(path.c_str(), 8, 8).ok());
    ASSERT_TRUE(gifframe(colourpicture(8, 8, 5), 4).ok());
    ASSERT_TRUE(gifend().ok());
    EXPECT_TRUE(readgif(path, gif));

    const std::string full = folder.fulldevice("full.png");
    ASSERT_NE(full, "") << "mknod needs root";
    errno = 0;
    EXPECT_EQ(full + " could not be written: No space left on device",
              writepng(full.c_str(), colourpicture(4, 4, 2)).message);
    EXPECT_EQ(errno, ENOSPC);
    struct stat st;
    ASSERT_EQ(stat(full.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"full.png", "motion.gif"}));
}

// Frames keep their exact colours: the first frame's table serves the frames whose
// colours it holds, a frame with another colour carries its own table; a frame like
// the one before and one that changes a corner only store what changed.
TEST(ImageFile, GifFramesReadBackExactlyWithTheirDelays) {
    TempDir folder;
    const std::string path = folder.file("motion.gif");
    RgbImage corner = colourpicture(30, 20, 3);
    corner.rgb[3 * (19 * 30 + 29)] ^= 0x55;
    const RgbImage frames[] = {colourpicture(30, 20, 200), colourpicture(30, 20, 200, 13), colourpicture(30, 20, 256),
                               colourpicture(30, 20, 3),   colourpicture(30, 20, 3),      corner};
    const int delays[] = {2, 8, 4, 100, 3, 5};
    const int n = sizeof delays / sizeof delays[0];
    ASSERT_TRUE(gifbegin(path.c_str(), 30, 20).ok());
    for (int k = 0; k < n; ++k) ASSERT_TRUE(gifframe(frames[k], delays[k]).ok()) << k;
    ASSERT_TRUE(gifend().ok());
    DecodedGif gif;
    ASSERT_TRUE(readgif(path, gif));
    EXPECT_EQ(gif.w, 30);
    EXPECT_EQ(gif.h, 20);
    ASSERT_EQ(gif.frames.size(), static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        EXPECT_EQ(pixeldifferences(gif.frames[k], frames[k]), 0) << k;
        EXPECT_EQ(gif.delays[k], delays[k]) << k;
    }
    EXPECT_FALSE(gif.localmaps[1]) << "the same colours use the file's table";
    EXPECT_TRUE(gif.localmaps[2]) << "new colours need the frame's own table";
    EXPECT_EQ(gif.boxes[4], 1) << "an unchanged frame stores one pixel";
    EXPECT_EQ(gif.boxes[5], 1) << "a changed corner pixel is all a frame stores";
    EXPECT_EQ(gif.boxes[3], 30 * 20);
    // The file is made as other files are, not private to its owner.
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

// 256 colours fit a frame's table exactly; one more cannot be kept and is refused.
TEST(ImageFile, GifFramesOfAtMost256ColoursAccepted257Refused) {
    TempDir folder;
    const std::string path = folder.file("motion.gif");
    ASSERT_TRUE(gifbegin(path.c_str(), 20, 20).ok());
    const std::string toomany =
        "a frame has more than 256 colours, more than a GIF frame holds exactly; " + path + " not written";
    EXPECT_EQ(toomany, gifframe(colourpicture(20, 20, GIFCOLOURS + 1), 4).message);
    EXPECT_TRUE(gifframe(colourpicture(20, 20, GIFCOLOURS), 4).ok());
    EXPECT_EQ(toomany, gifframe(colourpicture(20, 20, 300, 5), 4).message);
    EXPECT_FALSE(gifframe(colourpicture(20, 19, 2), 4).ok()) << "a frame of another size";
    EXPECT_TRUE(gifframe(colourpicture(20, 20, 2), 4).ok());
    ASSERT_TRUE(gifend().ok());
    DecodedGif gif;
    ASSERT_TRUE(readgif(path, gif));
    ASSERT_EQ(gif.frames.size(), 2u);
    EXPECT_EQ(pixeldifferences(gif.frames[0], colourpicture(20, 20, GIFCOLOURS)), 0);
    EXPECT_EQ(pixeldifferences(gif.frames[1], colourpicture(20, 20, 2)), 0);
}

}  // namespace
