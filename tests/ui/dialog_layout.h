// What the options dialog must look like: the template's header and every
// control, in template order. Shared by the resource test and the live one.
#pragma once
#include <windows.h>

#include <cstdint>

#include "res/resource.h"

struct ControlRow {
  int id;
  uint16_t classAtom;  // 0x80 button, 0x81 edit, 0x82 static
  const wchar_t* caption;
  uint32_t style;
  short x, y, cx, cy;
};

inline constexpr uint32_t kDialogStyle = 0x80C800C0;
inline constexpr wchar_t kDialogTitle[] = L"Ordwell 編集中のテキストの行単位での並べ替え";
inline constexpr wchar_t kDialogFont[] = L"ＭＳ Ｐゴシック";
inline constexpr uint16_t kDialogFontSize = 9;

inline constexpr uint32_t kCheckBox = 0x50010003;
inline constexpr uint32_t kGroupBox = 0x50000007;
inline constexpr uint32_t kLabel = 0x50020000;
inline constexpr uint32_t kNumberField = 0x50812080;

inline constexpr ControlRow kDialogControls[] = {
    {IDOK, 0x80, L"OK", 0x50010001, 184, 11, 50, 14},
    {IDCANCEL, 0x80, L"ｷｬﾝｾﾙ", 0x50010000, 184, 32, 50, 14},
    {-1, 0x80, L"処理オプション", kGroupBox, 7, 7, 169, 94},
    {IDC_SORTASCENDING, 0x80, L"昇順 （文字値の小さい順） にソート(&A)", kCheckBox, 14, 21, 160, 9},
    {IDC_REMOVEDUPLICATELINE, 0x80, L"重複行を削除する(&R)", kCheckBox, 14, 33, 160, 9},
    {IDC_EXTRACTDUPLICATELINE, 0x80, L"重複行を新規 Morvane へ分離する(&E)", kCheckBox, 14, 45, 160, 9},
    {IDC_COMPAREASBINARYTEXT, 0x80, L"大文字/小文字、カタカナ/ひらがなを区別する(&T)", kCheckBox, 14, 57, 160, 9},
    {IDC_TREATNUMBERASNUMERICAL, 0x80, L"数字を数値として扱う （低速） (&N)", kCheckBox, 14, 70, 160, 9},
    {IDC_TREATZENNUMASNUMERICAL, 0x80, L"全角数字も数値として扱う （超低速） (&Z)", kCheckBox, 24, 83, 149, 9},
    {-1, 0x80, L"", kGroupBox, 7, 109, 223, 34},
    {IDC_SORTBYCOLUMN, 0x80, L"桁位置を指定して並べ替える", kCheckBox, 14, 109, 98, 10},
    {IDC_COLUMNFROM_LABEL, 0x82, L"開始位置(&C) :", kLabel, 16, 125, 41, 10},
    {IDC_COLUMNFROM, 0x81, L"", kNumberField, 58, 123, 58, 12},
    {IDC_COLUMNWIDTH_LABEL, 0x82, L"幅(&W) :", kLabel, 122, 125, 22, 10},
    {IDC_COLUMNWIDTH, 0x81, L"", kNumberField, 145, 123, 58, 12},
};
