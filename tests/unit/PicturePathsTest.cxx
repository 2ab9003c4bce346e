// The filter directory URL loses the escaping of the two installation folder names.

#include <common/PicturePaths.hxx>

#include <gtest/gtest.h>

using quillmark::rewriteFilterDirectory;
using rtl::OUString;

TEST(FilterDirectoryRewrite, BothFolderNamesAreUnescapedInPlace)
{
    EXPECT_EQ(OUString("file:///C:/Program Files/Quillmark 3.0/program/filter"),
              rewriteFilterDirectory("file:///C:/Program%20Files/Quillmark%203.0/program/filter"));
}

TEST(FilterDirectoryRewrite, OnlyTheFirstOccurrenceOfEachIsRewritten)
{
    EXPECT_EQ(OUString("file:///C:/Program Files/Program%20Files/Quillmark 3.0/Quillmark%203.0"),
              rewriteFilterDirectory(
                  "file:///C:/Program%20Files/Program%20Files/Quillmark%203.0/Quillmark%203.0"));
}

TEST(FilterDirectoryRewrite, AMatchAtTheVeryStartIsLeftAlone)
{
    EXPECT_EQ(OUString("Program%20Files/Quillmark 3.0/filter"),
              rewriteFilterDirectory("Program%20Files/Quillmark%203.0/filter"));
    EXPECT_EQ(OUString("Quillmark%203.0/filter"), rewriteFilterDirectory("Quillmark%203.0/filter"));
}

TEST(FilterDirectoryRewrite, OtherEscapesAndOtherPathsStayAsTheyAre)
{
    EXPECT_EQ(OUString("file:///opt/My%20Office/program/filter"),
              rewriteFilterDirectory("file:///opt/My%20Office/program/filter"));
    EXPECT_EQ(OUString("file:///C:/Program Files/A%20B/Quillmark%203.1"),
              rewriteFilterDirectory("file:///C:/Program%20Files/A%20B/Quillmark%203.1"));
    EXPECT_EQ(OUString(), rewriteFilterDirectory(OUString()));
    // The second rewrite looks at the result of the first.
    EXPECT_EQ(OUString("x/Quillmark 3.0"), rewriteFilterDirectory("x/Quillmark%203.0"));
}

TEST(SealPictureURL, OneSeparatorWhetherOrNotTheFolderEndsInOne)
{
    using quillmark::sealPictureURL;
    EXPECT_EQ(OUString("file:///opt/office/filter/abcktx.gif"),
              sealPictureURL("file:///opt/office/filter", "abc"));
    EXPECT_EQ(OUString("file:///home/u/quillmark/abcktx.gif"),
              sealPictureURL("file:///home/u/quillmark/", "abc"));
    EXPECT_EQ(OUString("file:///opt/office/filter/ktx.gif"),
              sealPictureURL("file:///opt/office/filter", OUString()));
    // The name still cannot lead out of the folder.
    EXPECT_EQ(OUString("file:///f/.._.._etcktx.gif"), sealPictureURL("file:///f", "../../etc"));
}
