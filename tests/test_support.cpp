#include <gtest/gtest.h>

#include <GL/gl.h>

#include "tests/support/egl_context.h"
#include "tests/support/gltrace.h"

TEST(GlTrace, RecordsAndForwardsSoStateCanBeReadBack) {
    ASSERT_TRUE(testgl::make_current(8, 8));
    {
        gltrace::Scope scope;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1.5f, 0, -30);
        ASSERT_EQ(gltrace::calls().size(), 3u);
        EXPECT_EQ(gltrace::to_string(gltrace::calls()[2]), "glTranslatef(1.5, 0, -30)");
    }
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 1.5f);
    EXPECT_EQ(m[14], -30.0f);
}

TEST(GlTrace, NullSinkForwardsNothing) {
    ASSERT_TRUE(testgl::make_current(8, 8));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    {
        gltrace::Scope scope(/*forward=*/false);
        glTranslatef(5, 5, 5);
        EXPECT_EQ(gltrace::call_count(), 1u);
    }
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 0.0f);
}

TEST(TestGl, DrawsIntoItsFramebuffer) {
    ASSERT_TRUE(testgl::make_current(4, 4));
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[4] = {};
    glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 0);
}
