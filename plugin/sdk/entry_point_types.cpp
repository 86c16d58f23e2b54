// The pointer types corvane.h offers GetProcAddress hosts, held against the
// declarations they stand for: a typedef that drifts from its function fails
// the build here instead of a host at run time. Every export has one (the
// package check compares the export table with these names).
#include <type_traits>

#include "corvane/corvane.h"

#define CORVANE_SAME_TYPE(name) \
  static_assert(std::is_same_v<decltype(&name), name##_fn>, #name "_fn differs from " #name)

CORVANE_SAME_TYPE(corvane_version);
CORVANE_SAME_TYPE(corvane_result_name);
CORVANE_SAME_TYPE(corvane_operation_name);
CORVANE_SAME_TYPE(corvane_folder);
CORVANE_SAME_TYPE(corvane_start);
CORVANE_SAME_TYPE(corvane_start_with_timeout);
CORVANE_SAME_TYPE(corvane_attach);
CORVANE_SAME_TYPE(corvane_attach_with_timeout);
CORVANE_SAME_TYPE(corvane_close);
CORVANE_SAME_TYPE(corvane_set_timeout);
CORVANE_SAME_TYPE(corvane_last_error);
CORVANE_SAME_TYPE(corvane_buffer_bytes);
CORVANE_SAME_TYPE(corvane_buffer_text);
CORVANE_SAME_TYPE(corvane_buffer_copy_text);
CORVANE_SAME_TYPE(corvane_buffer_free);
CORVANE_SAME_TYPE(corvane_request);
CORVANE_SAME_TYPE(corvane_read_string);
CORVANE_SAME_TYPE(corvane_write_string);
CORVANE_SAME_TYPE(corvane_read_dword);
CORVANE_SAME_TYPE(corvane_write_dword);
CORVANE_SAME_TYPE(corvane_read_qword);
CORVANE_SAME_TYPE(corvane_write_qword);
CORVANE_SAME_TYPE(corvane_delete_value);
CORVANE_SAME_TYPE(corvane_delete_key);
CORVANE_SAME_TYPE(corvane_delete_key_tree);
CORVANE_SAME_TYPE(corvane_key_exists);
CORVANE_SAME_TYPE(corvane_list_subkeys);
CORVANE_SAME_TYPE(corvane_list_values);
CORVANE_SAME_TYPE(corvane_copy_key_tree);
CORVANE_SAME_TYPE(corvane_file_read);
CORVANE_SAME_TYPE(corvane_file_write);
CORVANE_SAME_TYPE(corvane_file_exists);
CORVANE_SAME_TYPE(corvane_file_delete);
CORVANE_SAME_TYPE(corvane_file_copy);
CORVANE_SAME_TYPE(corvane_file_export);
CORVANE_SAME_TYPE(corvane_shell_open);
CORVANE_SAME_TYPE(corvane_ping);
CORVANE_SAME_TYPE(corvane_keep_alive);
CORVANE_SAME_TYPE(corvane_get_plugin_channel);
CORVANE_SAME_TYPE(corvane_send_frame);
CORVANE_SAME_TYPE(corvane_read_frame);
CORVANE_SAME_TYPE(corvane_start_with_diagnostics);
