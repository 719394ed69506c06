#pragma once

// The editor's private messages, sent to its main window, and the named
// section that carries text for EDM_EXPORTTEXT and EDM_IMPORTTEXT. Shared by
// the tool and by the stand-in editor that the tests run against.
enum : unsigned {
  EDM_GOTOLINE = 0x0464,          // wParam: line counted from 1
  EDM_GETSELECTIONKIND = 0x8195,  // reply: -1 nothing selected, 0 or 1 a selection
  EDM_EXPORTTEXT = 0x819A,        // wParam: scope; reply nonzero when the section was filled
  EDM_IMPORTTEXT = 0x819B,        // wParam: scope, lParam: byte length; nonzero when taken
};

// The scope of a transfer: the editor's wParam for export and import.
enum TransferScope : unsigned {
  kScopeWholeText = 0,
  kScopeSelection = 1,
};

// The section is named this prefix followed by the main window's handle in
// unsigned decimal ("%s%u").
inline constexpr char kSectionNamePrefix[] = "Morvane_Map_";

// Room behind the text: its NUL, then 256 spare bytes.
enum : unsigned { kSectionSlack = 257 };

// Packed versions (major << 24 | minor << 16 | build << 8 | revision) from
// which the editor answers the private messages.
enum : unsigned {
  kVersionWithSelectionKind = 0x00480006,  // 0.72.0.6
  kVersionWithChannel = 0x00490001,        // 0.73.0.1
};
