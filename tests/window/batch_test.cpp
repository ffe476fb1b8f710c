// The batched drawing of curves, trails and tip dots draws the same pixels as the
// shapes drawn one by one.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cmath>
#include <functional>
#include <random>

#include "tests/window/scene.h"
#include "window/figures.h"
#include "window/primitives.h"
#include "window/window.h"

namespace {

// The back buffer after `draw` on a cleared picture.
std::vector<unsigned char> drawn(const std::function<void()> &draw) {
    beginframe();
    draw();
    glFinish();
    const int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

bool coloured(const std::vector<unsigned char> &rgb) {
    for (unsigned char c : rgb)
        if (c != 255) return true;
    return false;
}

// Tip dots at random places and zooms, with the pixels of the 0.008 m disc they stand for.
TEST(Batched, TipDotsAreTheirDiscs) {
    glready();
    setupscene(ROBOTSCARA);
    std::mt19937 random(12);
    std::uniform_real_distribution<double> place(-0.6, 1.2), zoom(0.3, 2.5);
    for (int n = 0; n < 200; ++n) {
        const double p[2] = {place(random), place(random)};
        app.scale = n < 100 ? 1.0 : zoom(random);
        const Colour &colour = n % 2 ? red : blue;
        const auto dots = drawn([&] {
            beginwidelines();
            drawtip(p, colour);
            endwidelines();
        });
        const double s = app.scale;
        const auto discs = drawn([&] { drawdisc({s * (layout.base.x + p[0]), s * (layout.base.y + p[1])}, 0.008 * s, colour); });
        ASSERT_TRUE(coloured(dots) || !coloured(discs)) << n;
        EXPECT_TRUE(dots == discs) << "dot " << n << " at " << p[0] << ", " << p[1] << " zoom " << s;
    }
}

// Overlapping segments of changing widths and colours, with dots between them, as a
// run and one by one.
TEST(Batched, RunsOfWideSegmentsAreTheSegmentsOneByOne) {
    glready();
    setupscene(ROBOTCYL);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> place(-0.9, 0.9);
    const double widths[] = {0.008, 0.008, 0.006, 0.003, 0.005};
    const Colour colours[] = {red, blue, green, yellow};
    struct Piece {
        Point2 a, b;
        double w;
        Colour colour;
    };
    std::vector<Piece> pieces;
    for (int n = 0; n < 300; ++n)
        pieces.push_back({{place(random), place(random)}, {place(random), place(random)}, widths[n % 5], colours[n % 4]});
    const auto run = drawn([&] {
        beginwidelines();
        for (const Piece &q : pieces) {
            widesegment(q.a, q.b, q.w, q.colour);
            const double p[2] = {q.b.x - layout.base.x, q.b.y - layout.base.y};
            drawtip(p, q.colour);
        }
        endwidelines();
    });
    const auto single = drawn([&] {
        for (const Piece &q : pieces) {
            drawwideline(q.a, q.b, q.w, q.colour);
            drawdisc(q.b, 0.008, q.colour);
        }
    });
    ASSERT_TRUE(coloured(run));
    EXPECT_TRUE(run == single);
    // The state left behind: lighting on, lines 2 pixels wide.
    GLfloat width = 0.0f;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 2.0f);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
}

}  // namespace
