
// the editor in the foreground could not be captured
inline constexpr char kTextCaptureFailed[] = "Morvane の捕捉に失敗しました。";

// the newly started editor could not be captured
inline constexpr char kTextNewEditorCaptureFailed[] = "新しい Morvane の捕捉に失敗しました。";

// a new editor instance could not be started
inline constexpr char kTextNewEditorStartFailed[] = "新しい Morvane の起動に失敗しました。";

// the text could not be read from the editor
inline constexpr char kTextReadFailed[] = "テキストの取得に失敗しました。";

// the editor did not take the sorted text whole: its text now lacks part of
// it; the editor's undo may bring the old text back, else the user closes
// without saving, which keeps the file as last saved
inline constexpr char kTextWriteBackFailed[] =
    "並べ替えたテキストを書き戻せませんでした。Morvane のテキストは一部が欠けています。"
    "「元に戻す」でも戻らないときは、保存せずに閉じてください。";

// the editor closed (or was ended) during the run, before or while the
// sorted text was written back
inline constexpr char kTextEditorGone[] = "Morvane が終了したため、並べ替えたテキストを書き戻せませんでした。";

// the newly started editor did not take the duplicate lines whole
inline constexpr char kTextNewEditorWriteFailed[] = "新しい Morvane への書き込みに失敗しました。";

// the sort ran out of memory, or the editor never took the sorted text
inline constexpr char kTextOutOfMemory[] = "メモリが足りません。";

// the run is at work on a large document (the window over the editor)
inline constexpr char kTextWorking[] = "並べ替えています…";

// the options dialog could not be opened
inline constexpr char kTextDialogFailed[] = "ダイアログの起動に失敗しました。";

// argument %d is not recognised: '%s' (wsprintfA)
inline constexpr char kTextBadArgument[] = "%d 番目の引数が認識できません： '%s'";

// the start position must lie in %u..%u (wsprintfA)
inline constexpr char kTextColumnFromRange[] = "「開始位置」 には %u ～ %u を指定してください。";

// the width must lie in %u..%u (wsprintfA)
inline constexpr char kTextColumnWidthRange[] = "「幅」 には %u ～ %u を指定してください。";

// ordwell-sort, the console filter: each message is one line on standard
// error after "ordwell-sort: ".

// how to call the filter (standard output, for --help)
inline constexpr char kTextFilterUsage[] =
    "使い方: ordwell-sort [スイッチ] [入力ファイル] [--output=ファイル]\n"
    "                     [--duplicates=ファイル] [--encoding=utf-8]\n"
    "入力ファイル (省略時または - のときは標準入力) の行を並べ替えて\n"
    "標準出力に書きます。\n"
    "--output=ファイル を付けると、標準出力の代わりにそのファイルに書きます。\n"
    "  入力ファイルと同じファイルでもかまいません (その場で並べ替え)。ただし\n"
    "  置き換えられないファイル (ほかのハード リンクがあるなど) は断ります。\n"
    "  「> 入力ファイル」では、シェルが先にそのファイルを空にしてしまいます。\n"
    "--encoding=utf-8 を付けると、UTF-8 のテキストをシフト JIS に変換して並べ替え、\n"
    "  UTF-8 に戻して書きます (先頭の BOM は先頭のまま)。シフト JIS にない文字や\n"
    "  UTF-8 でないバイトのある行があると、その行の番号を示して断ります。\n"
    "  付けないとき (--encoding=cp932) は、シフト JIS のバイトのまま並べ替えます。\n"
    "  このとき、BOM で始まるテキストは断り、UTF-8 らしいテキストには注意を出します。\n"
    "スイッチは Ordwell と同じです:\n"
    "  /A 昇順 (なしで降順)   /R 重複行を除く   /E 重複行を --duplicates のファイルへ\n"
    "  /T 文字コード順 (なしで大文字小文字・ひらがなカタカナを区別しない順)\n"
    "  /C 桁範囲で比べる  /F:n 開始桁 (1 から)  /W:n 幅 (バイト)\n"
    "  /N 数値を値で比べる  /Z 全角数字も数値とする (/N と一緒に)\n"
    "  小文字 (/a など) はそのスイッチを切ります。/D (ダイアログ) は使えません。\n"
    "スイッチを一つも指定しないときは /A (昇順) で並べ替えます。\n"
    "/ で始まるファイル名は -- の後に書いてください。\n"
    "二行に満たないテキストはそのまま書き出します。\n"
    "読み込み中に変更された入力ファイルは並べ替えません。\n"
    "終了コード: 0 成功、2 エラー。エラーのとき、標準出力には何も書きません。\n"
    "  ただし、標準出力への書き込みが途中で失敗したとき (ディスクがいっぱい\n"
    "  など) はそこまでを、--duplicates のファイルだけが失敗したときは\n"
    "  並べ替えた行をすべて書いてあります。> で書き出し先にしたファイルは、\n"
    "  エラーのときもシェルが先に空にしています。--output と --duplicates の\n"
    "  ファイルは元のままです。ただし、その場で書き込むファイル (ほかのハード\n"
    "  リンクがあるファイル、FIFO など) には一部が書かれていることがあり、\n"
    "  最後に --duplicates のファイルだけを置き換えられなかったときは、\n"
    "  --output のファイルはもう置き換えてあります。\n"
    "  読み手が先に終わると、Linux ではシグナル SIGPIPE で終わります\n"
    "  (シェルの終了コードは 141)。Windows では書き込みのエラー (2) です。\n"
    "--help でこの説明を、--version でバージョンを表示します。\n";

// the filter's version (standard output, for --version; %s: a.b.c)
inline constexpr char kTextFilterVersion[] = "ordwell-sort (Ordwell) %s\n";

// /D asks for the options dialog, which a filter has not
inline constexpr char kTextFilterNoDialog[] = "/D (オプション ダイアログ) はこのプログラムでは使えません。";

// an option of the filter itself is unknown (%s: the argument)
inline constexpr char kTextFilterUnknownOption[] = "認識できないオプションです： '%s'";

// --output or --duplicates came without a file name (%s: the option)
inline constexpr char kTextFilterNeedsFileName[] = "%s にはファイル名が必要です。";

// an argument taken for switches names an existing file: the splitter cut
// it at its slashes (%s: the argument)
inline constexpr char kTextFilterSwitchNamesFile[] =
    "'%s' はスイッチとして認識できません。このファイルを並べ替えるには、-- の後に書いてください "
    "(ordwell-sort [スイッチ] -- ファイル名)。";

// a second input file was named (%s: the second name)
inline constexpr char kTextFilterTwoInputs[] = "入力ファイルは一つだけ指定できます： '%s'";

// /E without a file for the duplicate lines
inline constexpr char kTextFilterExtractNeedsFile[] = "/E には --duplicates=ファイル名 を指定してください。";

// a file for the duplicate lines without /E
inline constexpr char kTextFilterFileNeedsExtract[] = "--duplicates は /E と一緒に指定してください。";

// --encoding names no encoding the filter knows (%s: the name as given)
inline constexpr char kTextFilterUnknownEncoding[] = "--encoding には utf-8 か cp932 を指定してください： '%s'";

// the input file cannot be opened (%s: its name)
inline constexpr char kTextFilterOpenFailed[] = "ファイルを開けません： '%s'";

// the input cannot be read to its end (%s: its name)
inline constexpr char kTextFilterReadFailed[] = "読み込みに失敗しました： '%s'";

// the input file changed while it was read: truncated, written in place or
// grown (%s: its name)
inline constexpr char kTextFilterInputChanged[] = "読み込み中に入力が変更されました： '%s'";

// the duplicates file cannot be made (%s: its name)
inline constexpr char kTextFilterCreateFailed[] = "ファイルを作れません： '%s'";

// a result file that exists would be replaced by a new one made in its
// folder, and none can be made there (%s: its name)
inline constexpr char kTextFilterCannotReplace[] = "置き換えるファイルを同じフォルダーに作れません： '%s'";

// a result file named by the link of a standard stream (/dev/stdout) that
// was closed when the run started (%s: the name given)
inline constexpr char kTextFilterClosedAtStart[] = "起動時に閉じていた標準ストリームには書き出せません： '%s'";

// the input, sorted in place, was changed by another program while it was
// sorted: it is not replaced, and the sorted text stays in a file of its
// own (%s: that file's path)
inline constexpr char kTextFilterInputChangedKept[] =
    "並べ替えている間に入力ファイルが変更されたため、置き換えませんでした。並べ替えた結果： '%s'";

// a result file cannot be opened: the run has no descriptor left (%s: its
// name)
inline constexpr char kTextFilterTooManyFiles[] = "開いているファイルが多すぎるため開けません： '%s'";

// a result file's name or path is longer than the system takes (%s: the
// name given)
inline constexpr char kTextFilterNameTooLong[] = "ファイル名が長すぎます： '%s'";

// another program has the input open for writing (or mapped so) when it is
// to be read: what is read could change under the read (%s: its name)
inline constexpr char kTextFilterInputBeingWritten[] = "ほかのプログラムが書き込み中のため読み込めません： '%s'";

// the duplicates file may not be written: read-only, or the user lacks the
// permission (%s: its name)
inline constexpr char kTextFilterNotWritable[] = "書き込みが許可されていません： '%s'";

// --duplicates names the input file itself (%s: the name given)
inline constexpr char kTextFilterDuplicatesIsInput[] = "--duplicates に入力ファイルは指定できません： '%s'";

// --duplicates names the file that standard output goes to (%s: the name)
inline constexpr char kTextFilterDuplicatesIsOutput[] = "--duplicates に標準出力と同じファイルは指定できません： '%s'";

// --output names the input, which would have to be written over in place
// (other hard links, another owner, mounted over): a write that failed
// midway would lose the rest of the text (%s: the name given)
inline constexpr char kTextFilterInputNotReplaceable[] = "置き換えられない入力ファイルは --output に指定できません： '%s'";

// --duplicates names the same file as --output (%s: the name given)
inline constexpr char kTextFilterOutputIsDuplicates[] = "--output と --duplicates に同じファイルは指定できません： '%s'";

// a result cannot be written (%s: the file's name, or standard output)
inline constexpr char kTextFilterWriteFailed[] = "書き込みに失敗しました： '%s'";

// standard input and output as named in messages
inline constexpr char kTextFilterStandardInput[] = "標準入力";
inline constexpr char kTextFilterStandardOutput[] = "標準出力";

// the text holds a NUL byte, which would cut its line short
inline constexpr char kTextFilterNulByte[] = "入力に NUL バイトがあるため並べ替えられません。";

// the text begins with a UTF-8 byte order mark, and no --encoding=utf-8:
// sorted as bytes, the mark would move among the lines (%s: the input's name)
inline constexpr char kTextFilterMarkNeedsEncoding[] =
    "'%s' は BOM 付きの UTF-8 のテキストです。並べ替えるには --encoding=utf-8 を付けてください。";

// with --encoding=utf-8: a line that is not UTF-8 (%s: the input's name,
// then the line's number from 1)
inline constexpr char kTextFilterNotUtf8[] = "'%s' の %s 行目は UTF-8 ではありません。";

// with --encoding=utf-8: a line with a character that code page 932 lacks,
// or holds only as a look-alike (%s: the input's name, then the line's
// number from 1)
inline constexpr char kTextFilterNotInCodePage[] =
    "'%s' の %s 行目に、シフト JIS (コード ページ 932) にない文字があります。";

// with --encoding=utf-8: the system cannot convert between UTF-8 and code
// page 932 (a Linux without its conversion modules)
inline constexpr char kTextFilterNoConverter[] =
    "このシステムでは UTF-8 とシフト JIS (コード ページ 932) の間で変換できません。";

// a warning, the text sorted all the same: it is UTF-8 with characters of
// more than one byte, which sort as their bytes (%s: the input's name)
inline constexpr char kTextFilterLooksUtf8[] =
    "注意: '%s' は UTF-8 のテキストのようです。シフト JIS のバイトとして並べ替えます。"
    "UTF-8 として並べ替えるには --encoding=utf-8 を付けてください。";

// progress on a terminal (%u: percent done)
inline constexpr char kTextFilterReading[] = "読み込み中 %u%%";
inline constexpr char kTextFilterReadingBytes[] = "読み込み中 %u MB";
inline constexpr char kTextFilterSorting[] = "並べ替え中…";
inline constexpr char kTextFilterWriting[] = "書き出し中 %u%%";
