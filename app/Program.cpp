#include "app/Program.h"

#include <optional>
#include <string>

#include "app/Descriptions.h"
#include "app/FaceFiles.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/base/Files.h"
#include "toolkit/components/Controls.h"
#include "toolkit/graphics/Jpeg.h"

namespace mirvolant {

Program::Program(tk::platform::Platform& platform, const char* programPath,
                 const tk::DescriptionSource& descriptions)
    : folder_(ExecutableFolder(programPath)),
      reader_(descriptions ? descriptions : EmbeddedDescription) {
  // The clue picture is a JPEG: its graphic class is known from the start.
  tk::StartJpegSupport(platform.DisplayBitsPerPixel());
  application_ = std::make_unique<tk::TApplication>(platform, programPath, &reader_);
}

Program::~Program() {
  application_.reset();
  tk::StopJpegSupport();
}

void Program::CreateDialogs() {
  application_->CreateDialog(Form1);
  CreateOtherDialogs();
}

void Program::CreateOtherDialogs() {
  application_->CreateDialog(Form2);
  application_->CreateDialog(Form3);
  application_->CreateDialog(Form4);
  application_->CreateDialog(Form5);
  LoadPicturesBeside();
}

void Program::LoadPicturesBeside() {
  for (const PictureFile* p = kPicturesBeside; p->description != nullptr; ++p) {
    for (const auto& form : application_->Forms()) {
      if (tk::AsciiLower(form->ClassName()) != tk::AsciiLower(p->description)) continue;
      auto* image = dynamic_cast<tk::TImage*>(form->FindComponent(p->component));
      if (image == nullptr) continue;
      std::string path = folder_ + (folder_.ends_with('/') ? "" : "/") + p->file;
      // Until the file is there the picture is empty and asked for again.
      image->Picture().LoadPictureBlobLater([path]() -> std::optional<std::string> {
        std::optional<std::string> jpeg = tk::ReadWholeFile(path);
        if (!jpeg) return std::nullopt;
        return JpegPictureBlob(*jpeg);
      });
    }
  }
}

int Program::Run(const FatalErrorReport& fallback) {
  try {
    application_->CreateDialog(Form1);
    application_->RunEventLoop([this] { CreateOtherDialogs(); });
  } catch (const tk::Exception& e) {
    // No dialog can be used (one could not be built, or the board's window
    // could not be made): report and end.
    if (!application_->ShowStartupError(e.Message()) && fallback) {
      fallback(tk::AnsiToUtf8(application_->Title()),
               tk::AnsiToUtf8(tk::TApplication::MessageBoxText(e.Message())));
    }
    return 1;
  }
  return 0;
}

int RunProgram(tk::platform::Platform& platform, const char* programPath,
               const tk::DescriptionSource& descriptions, const FatalErrorReport& fallback) {
  Program program(platform, programPath, descriptions);
  return program.Run(fallback);
}

}  // namespace mirvolant
