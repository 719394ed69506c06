
// the editor in the foreground could not be captured
inline constexpr char kTextCaptureFailed[] = "Morvane の捕捉に失敗しました。";

// the newly started editor could not be captured
inline constexpr char kTextNewEditorCaptureFailed[] = "新しい Morvane の捕捉に失敗しました。";

// a new editor instance could not be started
inline constexpr char kTextNewEditorStartFailed[] = "新しい Morvane の起動に失敗しました。";

// the text could not be read from the editor
inline constexpr char kTextReadFailed[] = "テキストの取得に失敗しました。";

// the sort ran out of memory
inline constexpr char kTextOutOfMemory[] = "メモリが足りません。";

// the options dialog could not be opened
inline constexpr char kTextDialogFailed[] = "ダイアログの起動に失敗しました。";

// argument %d is not recognised: '%s' (wsprintfA)
inline constexpr char kTextBadArgument[] = "%d 番目の引数が認識できません： '%s'";

// the start position must lie in %u..%u (wsprintfA)
inline constexpr char kTextColumnFromRange[] = "「開始位置」 には %u ～ %u を指定してください。";

// the width must lie in %u..%u (wsprintfA)
inline constexpr char kTextColumnWidthRange[] = "「幅」 には %u ～ %u を指定してください。";
