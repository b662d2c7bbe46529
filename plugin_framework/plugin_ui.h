// The seam between the plug-in framework and a window program. The window
// program fills a KvUiHooks table and hands it to every plug-in through the
// optional entry point LibSetUiHooks (plugin_api.h); a plug-in without hooks
// runs headless: file dialogs answer "cancelled", help and options say so on
// standard error, progress goes to standard error when it is a terminal.
//
// The table only grows at its end; `size` tells the plug-in how much of it
// the window program knows, so old and new sides keep working together.
#pragma once
#include <cstddef>

class Base_FileOption;

// What an options dialog edits beyond the common fields. Kinds of the
// format-specific fields a plug-in declares. KV_FIELD_IMAGE_HANDLER names the
// record's MIHandler (value): the dialog offers its "Image Handler" button.
enum KvOptionFieldKind : int {
  KV_FIELD_INT = 0,
  KV_FIELD_FLAG = 1,
  KV_FIELD_DOUBLE = 2,
  KV_FIELD_STRING = 3,
  KV_FIELD_IMAGE_HANDLER = 4
};

struct KvOptionField {
  int control_id;        // dialog control identifier (1026 "Weld Tolerance", ...)
  const char* label;     // text beside the control
  KvOptionFieldKind kind;
  void* value;           // int*, int*, double* or char[size]
  size_t size;           // buffer size for KV_FIELD_STRING
};

// Everything the options dialog shows: the common fields of the record and
// the plug-in's own ones. The dialog edits copies and writes back on OK.
struct KvOptionsDialogData {
  const char* caption;           // "RAW Configuration"
  const char* help_caption;      // "RAW Help"
  const char* help_text;         // string resource 1, "\n" line ends
  int is_export;                 // exporters show line delimiter and SubDir
  Base_FileOption* record;
  const KvOptionField* fields;
  int field_count;
};

struct KvUiHooks {
  size_t size;  // sizeof(KvUiHooks) as the window program knows it

  // Open-file dialog: 1 and the chosen path in out (at most out_size - 1
  // characters), 0 when cancelled.
  int (*open_file)(const char* filter, const char* initial, char* out, size_t out_size);
  // Save-file dialog with the default extension and the proposed name.
  int (*save_file)(const char* def_ext, const char* filter, const char* proposed, char* out, size_t out_size);
  // Modal help dialog; text uses "\n" line ends.
  void (*show_help)(const char* caption, const char* text);
  // Modal options dialog: 1 when closed with OK (values already copied back).
  int (*show_options)(const KvOptionsDialogData* data);

  // Modeless progress window with three rows (row 1..3). create disables the
  // owner window, destroy enables it again.
  void* (*progress_create)(const char* caption);
  void (*progress_destroy)(void* window);
  void (*progress_set_text)(void* window, int row, const char* text);
  void (*progress_set_pos)(void* window, int row, int pos);
  void (*progress_set_percent)(void* window, int row, const char* text);
  // Pumps pending window messages so the interface keeps repainting.
  void (*pump_messages)();
};

extern "C" {
// hooks == null returns the plug-in to headless mode. The table is copied.
typedef void (*LibSetUiHooksProc)(const KvUiHooks* hooks);
}
