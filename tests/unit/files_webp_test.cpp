// WebP, HEIC, HEIF, AVIF and JPEG XL files reach the viewer the three ways
// a picture does: listed in their folder, dropped, chosen in the open
// dialog; the association window keeps its five types.
#include <windows.h>

#include <gtest/gtest.h>

#include <string_view>

#include "files/drop_handler.h"
#include "files/picture_list.h"
#include "forms/form_data.h"
#include "test_support.h"

using namespace vela;
using vela::test::ScratchFolder;

TEST(FilesWebp, AWebpIsListedDroppedAndOfferedByTheOpenDialog) {
    ScratchFolder f("webplist");
    for (const char* n : {"a.jpg", "b.webp", "c.WEBP", "d.webm", "e.web"}) ASSERT_TRUE(test::WriteText(f / n, "x"));
    ReleasePictureList();
    ASSERT_TRUE(RebuildPictureList(test::W(f / "b.webp"), nullptr));
    EXPECT_EQ(PictureList, (std::vector<Path>{test::W(f / "a.jpg"), test::W(f / "b.webp"), test::W(f / "c.WEBP")}));
    EXPECT_EQ(CurrentIndex, 2);
    ReleasePictureList();

    const std::pair<const wchar_t*, bool> dropped[] = {{L"C:\\p\\a.webp", true}, {L"C:\\p\\B.WebP", true},
                                                       {L"C:\\p\\a.webm", false}, {L"C:\\p\\a.webp.txt", false}};
    for (auto [path, picture] : dropped) EXPECT_EQ(IsDroppedPicture(path), picture) << path;

    const std::string_view filter = forms::MainWindowForm().fileDialog.filter;
    EXPECT_EQ(filter,
              "图片文件(*.jpg;*.bmp;*.ico;*.png;*.gif;*.cur;*.webp;*.heic;*.heif;*.avif;*.jxl)|"
              "*.jpg;*.bmp;*.ico;*.png;*.gif;*.cur;*.webp;*.heic;*.heif;*.avif;*.jxl");
    // The associations stay with the five types they always offered.
    for (const auto& c : forms::AssociationWindowForm().controls)
        EXPECT_EQ(std::string_view(c.identifier).find("Webp"), std::string_view::npos) << c.identifier;
}

TEST(FilesWebp, HeicHeifAvifAndJpegXlAreListedAndDroppedInEitherCase) {
    ScratchFolder f("heiflist");
    for (const char* n : {"a.heic", "b.HEIF", "c.avif", "d.JXL", "e.heics", "f.avifs", "g.jxl.txt", "h.hei", "i.jpg"})
        ASSERT_TRUE(test::WriteText(f / n, "x"));
    ReleasePictureList();
    ASSERT_TRUE(RebuildPictureList(test::W(f / "c.avif"), nullptr));
    EXPECT_EQ(PictureList, (std::vector<Path>{test::W(f / "a.heic"), test::W(f / "b.HEIF"), test::W(f / "c.avif"),
                                              test::W(f / "d.JXL"), test::W(f / "i.jpg")}));
    EXPECT_EQ(CurrentIndex, 3);
    ReleasePictureList();

    const std::pair<const wchar_t*, bool> dropped[] = {
        {L"C:\\p\\a.heic", true},  {L"C:\\p\\a.HeIc", true},  {L"C:\\p\\a.heif", true}, {L"C:\\p\\a.AVIF", true},
        {L"C:\\p\\a.jxl", true},   {L"C:\\p\\a.heics", false}, {L"C:\\p\\a.avifs", false},
        {L"C:\\p\\a.jxl.bak", false}, {L"C:\\p\\heic", false}};
    for (auto [path, picture] : dropped) EXPECT_EQ(IsDroppedPicture(path), picture) << path;
}
