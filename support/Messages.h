// The system's own message and caption texts, as the code page 932 (Shift-JIS)
// bytes the reader, the surfaces and the settings dialog carry at run time.
// Each constant is preceded by its text as a comment.
#pragma once

namespace vorn {

// "読み込めないファイル形式です"
inline constexpr char kMsgUnreadableFormat[] = "\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xC8\x82\xA2\x83t\x83@\x83" "C\x83\x8B\x8C`\x8E\xAE\x82\xC5\x82\xB7";

// "ファイルが破壊されています"
inline constexpr char kMsgFileDamaged[] = "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x94j\x89\xF3\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7";

// "レイヤーがありません"
inline constexpr char kMsgNoLayers[] = "\x83\x8C\x83" "C\x83\x84\x81[\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";

// "カラーテーブルがありません"
inline constexpr char kMsgNoColorTable[] = "\x83J\x83\x89\x81[\x83" "e\x81[\x83u\x83\x8B\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";

// "識別コードを設定してください"
inline constexpr char kMsgSetPassCode[] = "\x8E\xAF\x95\xCA\x83R\x81[\x83h\x82\xF0\x90\xDD\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2";

// "不正なビット数です (%d)"
inline constexpr char kMsgInvalidBitCount[] = "\x95s\x90\xB3\x82\xC8\x83r\x83" "b\x83g\x90\x94\x82\xC5\x82\xB7 (%d)";

// "不正なピクセルフォーマットです"
inline constexpr char kMsgInvalidPixelFormat[] = "\x95s\x90\xB3\x82\xC8\x83s\x83N\x83Z\x83\x8B\x83t\x83H\x81[\x83}\x83" "b\x83g\x82\xC5\x82\xB7";

// "スキャンラインのインデックスが範囲を越えました (%d)"
inline constexpr char kMsgScanLineRange[] = "\x83X\x83L\x83\x83\x83\x93\x83\x89\x83" "C\x83\x93\x82\xCC\x83" "C\x83\x93\x83" "f\x83" "b\x83N\x83X\x82\xAA\x94\xCD\x88\xCD\x82\xF0\x89z\x82\xA6\x82\xDC\x82\xB5\x82\xBD (%d)";

// "%s を作成できません"
inline constexpr char kMsgCannotCreate[] = "%s \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1";

// "<%s>がありません"
inline constexpr char kMsgElementMissing[] = "<%s>\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";

// "未対応のファイル形式です"
inline constexpr char kMsgUnsupportedFile[] = "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x8C`\x8E\xAE\x82\xC5\x82\xB7";

// "未対応のXML形式です"
inline constexpr char kMsgUnsupportedXml[] = "\x96\xA2\x91\xCE\x89\x9E\x82\xCCXML\x8C`\x8E\xAE\x82\xC5\x82\xB7";

// "未対応の文字セットです"
inline constexpr char kMsgUnsupportedCharset[] = "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x95\xB6\x8E\x9A\x83Z\x83" "b\x83g\x82\xC5\x82\xB7";

// "'%s' のデータ型が不正です"
inline constexpr char kMsgInvalidDataType[] = "'%s' \x82\xCC\x83" "f\x81[\x83^\x8C^\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7";

// "キー %s の作成に失敗しました"
inline constexpr char kMsgCreateKeyFailed[] = "\x83L\x81[ %s \x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

// "'%s' の設定に失敗しました"
inline constexpr char kMsgSetValueFailed[] = "'%s' \x82\xCC\x90\xDD\x92\xE8\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

// "フレームを展開(&F)"
inline constexpr char kTextExpandFrames[] = "\x83t\x83\x8C\x81[\x83\x80\x82\xF0\x93W\x8AJ(&F)";

// "キャンセル"
inline constexpr char kTextCancel[] = "\x83L\x83\x83\x83\x93\x83Z\x83\x8B";

// "ＭＳ Ｐゴシック"
inline constexpr char kTextDialogFont[] = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";

// Messages of the runtime classes the reader is built on; plain ASCII.
inline constexpr char kMsgGetFrame[] = "Error:TVornFrameList.GetFrame";
inline constexpr char kMsgListIndex[] = "List index out of bounds (%d)";
inline constexpr char kMsgStreamRead[] = "Stream read error";
inline constexpr char kMsgNotInteger[] = "'%s' is not a valid integer value";
inline constexpr char kMsgListCapacity[] = "List capacity out of bounds (%d)";
inline constexpr char kMsgFileOpen[] = "Cannot open file \"%s\"";

}  // namespace vorn
