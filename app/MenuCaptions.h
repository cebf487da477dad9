#pragma once

#include <QKeySequence>
#include <string>

// What more than one of the window's menus holds, with its keys, written
// once.

inline constexpr const char* PasteCaption = "貼り付け";
inline constexpr const char* ScreenPickCaption = "画面から選ぶ";
inline constexpr const char* CaptureCaption = "画面を取り込む";
inline constexpr const char* KeyboardCaption = "キーボードで選ぶ";
inline constexpr const char* SampleCaption = "取る範囲";
inline constexpr const char* RecentCaption = "最近の色";
inline constexpr const char* ColourManagementCaption = "色の管理";
// Marks the picture's own numbers in the colour menu: "画像の値 RGB(…)".
inline constexpr const char* StoredValuesCaption = "画像の値 ";

// The screen pick's key works in every mode; Ctrl+Shift+C captures into the
// view in the image mode.
inline const QKeySequence ScreenPickKeys{Qt::CTRL | Qt::SHIFT | Qt::Key_P};
inline const QKeySequence CaptureKeys{Qt::CTRL | Qt::SHIFT | Qt::Key_C};

// How a key is written beside a caption in the tooltips: "Ctrl+Shift+P".
inline std::string KeyText(const QKeySequence& keys) {
    return keys.toString(QKeySequence::NativeText).toStdString();
}
