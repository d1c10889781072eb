// The main() of every test executable: GoogleTest, with the dialog face
// looked up as the program looks it up, beside the executable first.

#include <gtest/gtest.h>

#include "app/FaceFiles.h"
#include "toolkit/paint/Font.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tk::Font::SetPreferredFaceFiles(mirvolant::DialogFaceFiles(argv[0]));
  return RUN_ALL_TESTS();
}
