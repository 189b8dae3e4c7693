#ifndef WYX_TESTS_FORMATS_3DS_FTKTOOLKITTEST_H
#define WYX_TESTS_FORMATS_3DS_FTKTOOLKITTEST_H

// The fixture of the toolkit suites: every test starts and ends without errors, warnings or
// open files (the toolkit keeps them process-wide).

#include "tests/formats/3ds/Ftk3dsTestSupport.h"

#include <gtest/gtest.h>

class FtkToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { ftk_test::ResetToolkit(); }
    void TearDown() override { ftk_test::ResetToolkit(); }
};

#endif
