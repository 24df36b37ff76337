#include "converter/ErrorText.h"

#include <cstring>

#include "support/Messages.h"

namespace vorn::tools {

namespace {

struct TKnownMessage {
  const char* pattern;  // code page 932, with at most one %d or %s
  const char* utf8;     // the same text in UTF-8 (same placeholder)
  const char* english;
};

const TKnownMessage kKnown[] = {
    {kMsgUnreadableFormat, "読み込めないファイル形式です", "the file format cannot be read"},
    {kMsgFileDamaged, "ファイルが破壊されています", "the file is damaged"},
    {kMsgNoLayers, "レイヤーがありません", "a frame has no layers"},
    {kMsgNoColorTable, "カラーテーブルがありません", "a frame has no colour table"},
    {kMsgSetPassCode, "識別コードを設定してください",
     "the file is protected: set the identification code (--pass-code or PassCode)"},
    {kMsgInvalidBitCount, "不正なビット数です (%d)", "invalid number of bits per pixel"},
    {kMsgInvalidPixelFormat, "不正なピクセルフォーマットです", "invalid pixel format"},
    {kMsgScanLineRange, "スキャンラインのインデックスが範囲を越えました (%d)",
     "a row index is out of range"},
    {kMsgElementMissing, "<%s>がありません", "an element is missing"},
    {kMsgUnsupportedFile, "未対応のファイル形式です", "unsupported file format"},
    {kMsgUnsupportedXml, "未対応のXML形式です", "unsupported XML version"},
    {kMsgUnsupportedCharset, "未対応の文字セットです", "unsupported character set"},
    {kMsgInvalidDataType, "'%s' のデータ型が不正です", "a setting has the wrong data type"},
    {kMsgCreateKeyFailed, "キー %s の作成に失敗しました", "a settings key could not be created"},
    {kMsgSetValueFailed, "'%s' の設定に失敗しました", "a setting could not be stored"},
};

// The text that stands where the pattern has its placeholder, if the message
// matches the pattern.
bool Match(const std::string& message, const std::string& pattern, std::string& inserted) {
  const auto at = pattern.find('%');
  if (at == std::string::npos) {
    inserted.clear();
    return message == pattern;
  }
  const std::string head = pattern.substr(0, at), tail = pattern.substr(at + 2);
  if (message.size() < head.size() + tail.size()) return false;
  if (message.compare(0, head.size(), head) != 0) return false;
  if (message.compare(message.size() - tail.size(), tail.size(), tail) != 0) return false;
  inserted = message.substr(head.size(), message.size() - head.size() - tail.size());
  return true;
}

}  // namespace

std::string DescribeError(const std::string& message) {
  for (const TKnownMessage& known : kKnown) {
    std::string inserted;
    if (!Match(message, known.pattern, inserted)) continue;
    std::string text = known.utf8;
    const auto at = text.find('%');
    if (at != std::string::npos) text.replace(at, 2, inserted);
    return text + " (" + known.english + ")";
  }
  return message;
}

}  // namespace vorn::tools
