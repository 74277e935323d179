#include "shell/OpenGlLinker.h"

#include <gtest/gtest.h>

TEST(HasExtensionWord, MatchesWholeWordsOnly)
{
    const std::string_view list = "GL_ARB_multitexture_extra GL_ARB_vertex_buffer_object GL_EXT_x GL_ARB_multitexture";
    EXPECT_TRUE(HasExtensionWord(list, "GL_ARB_vertex_buffer_object"));
    EXPECT_TRUE(HasExtensionWord(list, "GL_ARB_multitexture"));  // last word, after a longer one
    EXPECT_TRUE(HasExtensionWord(list, "GL_ARB_multitexture_extra"));  // first word
    EXPECT_FALSE(HasExtensionWord(list, "GL_EXT"));
    EXPECT_FALSE(HasExtensionWord(list, "ARB_vertex_buffer_object"));
    EXPECT_FALSE(HasExtensionWord(list, "GL_ARB_vertex_buffer"));
}

TEST(HasExtensionWord, PrefixOfLongerNameOnlyIsFalse)
{
    EXPECT_FALSE(HasExtensionWord("GL_ARB_multitexture_extra GL_B", "GL_ARB_multitexture"));
    EXPECT_FALSE(HasExtensionWord("XGL_ARB_multitexture", "GL_ARB_multitexture"));
}

TEST(HasExtensionWord, EmptyNamesAndNamesWithSpacesAreNeverSupported)
{
    EXPECT_FALSE(HasExtensionWord("GL_A GL_B", ""));
    EXPECT_FALSE(HasExtensionWord("GL_A GL_B", "GL_A GL_B"));
    EXPECT_FALSE(HasExtensionWord("", "GL_A"));
    EXPECT_TRUE(HasExtensionWord("GL_A", "GL_A"));
}
