#include "fileio/WyxHeaderForm.h"

#include "tests/support/ScratchFolder.h"
#include "tests/support/WyxFileTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int Recognize(const std::string& bytes) {
    // A copy of exactly this size, so that a read past it is a sanitizer finding.
    const std::vector<unsigned char> copy(bytes.begin(), bytes.end());
    return RecognizeWyxHeader(copy.data(), copy.size());
}

class WyxHeaderFormTest : public ::testing::Test {
protected:
    std::string Written(WyxForm form) {
        const std::string path = scratch_.Join(std::string(FormName(form)) + ".wyx");
        RWyxFile file;
        EXPECT_TRUE(CreateInForm(file, path, form));
        WriteSampleContent(file);
        EXPECT_TRUE(file.Close());
        return ScratchFolder::ReadFile(path);
    }
    ScratchFolder scratch_;
};

TEST_F(WyxHeaderFormTest, EachFormTheContainerWritesIsToldByItsFirstBytes) {
    const std::pair<WyxForm, int> cases[] = {
        {WyxForm::kAscii, kWyxFormAscii}, {WyxForm::kBinary, kWyxFormBinary}, {WyxForm::kEncrypted, kWyxFormEncrypted}};
    for (const auto& [form, expected] : cases) {
        SCOPED_TRACE(FormName(form));
        const std::string bytes = Written(form);
        EXPECT_EQ(Recognize(bytes), expected);
        EXPECT_EQ(Recognize(bytes.substr(0, kWyxHeaderBytes)), expected) << "the header bytes are enough";
    }
    EXPECT_EQ(RecognizeWyxHeader(nullptr, 16), kWyxFormNone);
}

TEST_F(WyxHeaderFormTest, TruncatedAndAlteredHeadersShowNoForm) {
    const std::string ascii = Written(WyxForm::kAscii);
    const std::string binary = Written(WyxForm::kBinary);
    for (std::size_t size = 0; size < 11; ++size) {
        EXPECT_EQ(Recognize(ascii.substr(0, size)), kWyxFormNone) << size;
    }
    for (std::size_t size = 0; size <= 12; ++size) {
        EXPECT_EQ(Recognize(binary.substr(0, size)), kWyxFormNone) << size;
    }
    EXPECT_EQ(Recognize(binary.substr(0, 13)), kWyxFormBinary) << "the form byte is the last one needed";
    // Any change in the marks, and any form byte but 0 and 1, tells no form.
    for (const std::string* original : {&ascii, &binary}) {
        const std::size_t markSize = original == &ascii ? 11 : 8;
        for (std::size_t at = 0; at < markSize; ++at) {
            for (const int flip : {0x01, 0x20, 0x80}) {
                std::string changed = *original;
                changed[at] = static_cast<char>(changed[at] ^ flip);
                EXPECT_EQ(Recognize(changed), kWyxFormNone) << at << " ^ " << flip;
            }
        }
    }
    for (int form = 2; form < 256; ++form) {
        std::string changed = binary;
        changed[12] = static_cast<char>(form);
        EXPECT_EQ(Recognize(changed), kWyxFormNone) << form;
    }
}

}  // namespace
