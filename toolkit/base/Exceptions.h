#pragma once
// Failures are exceptions of one small hierarchy. The toolkit catches them
// where it dispatched an event and shows the message; EAbort stays silent.

#include <stdexcept>
#include <string>

#include "toolkit/text/Ansi.h"

namespace tk {

class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : message_(std::move(message)) {}
  // The message in Windows-1251.
  const AnsiString& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  AnsiString message_;
};

#define TK_EXCEPTION(Name, Base)                        \
  class Name : public Base {                            \
   public:                                              \
    explicit Name(AnsiString m) : Base(std::move(m)) {} \
  }

TK_EXCEPTION(EAbort, Exception);
TK_EXCEPTION(EInvalidOperation, Exception);
TK_EXCEPTION(EStreamError, Exception);
TK_EXCEPTION(EReadError, EStreamError);
TK_EXCEPTION(EResNotFound, Exception);
TK_EXCEPTION(EOutOfResources, Exception);
TK_EXCEPTION(EInvalidGraphic, Exception);
TK_EXCEPTION(EInvalidGraphicOperation, Exception);
TK_EXCEPTION(EJPEG, EInvalidGraphic);

#undef TK_EXCEPTION

}  // namespace tk
