#include "display_text.h"

#include <QStringDecoder>

namespace veldaro {
namespace {

// GB18030 is a superset of code page 936 (GBK): same two-byte forms, plus the
// four-byte forms that our back-end uses for characters outside GBK. GBK is
// the fall-back for a Qt built without ICU's GB18030 table.
constexpr const char* kDecoderNames[] = {"GB18030", "GBK"};

QString DecodeBytes(QByteArrayView bytes) {
  for (const char* name : kDecoderNames) {
    // A fresh decoder per text: decoders keep state across calls.
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (decoder.isValid()) return decoder.decode(bytes);
  }
  // No Chinese decoder at all: show the ASCII part and mark the rest as
  // unreadable rather than showing Latin-1 gibberish.
  QString shown;
  shown.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    shown.append(value < 0x80 ? QChar(value) : QChar(QChar::ReplacementCharacter));
  }
  return shown;
}

}  // namespace

QString DecodeTextForDisplay(std::string_view text) {
  const std::size_t end = text.find('\0');
  if (end != std::string_view::npos) text = text.substr(0, end);
  return DecodeBytes(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace veldaro
