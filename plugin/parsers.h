// The four page parsers of the site plug-in, callable without loading the module.
//
// Each takes the base URL it needs, the caller's zero-filled output and its capacity, the
// request's URL and the zero-terminated body (null when the response had none). They keep no
// state, allocate nothing, write only inside the caller's fields and records, and may run on
// any thread, several at a time.
#pragma once

#include <string_view>

#include "plugin_api/records.h"

namespace hakobune {

/// Category and board links of a directory page. Returns the number of records filled,
/// 0 to capacity; 0 when requestUrl is not on boardUrl.
int ParseCategoryPage(std::string_view boardUrl, CategoryRecord *records, int capacity, std::string_view requestUrl,
                      const char *body);

/// Topics of a board's topic list, or the one topic of a single-topic page. Returns the number
/// of records filled, 0 to capacity; 0 when requestUrl is not on boardUrl or the page has none
/// of the known forms.
int ParseThreadListPage(std::string_view boardUrl, TopicRecord *records, int capacity, std::string_view requestUrl,
                        const char *body);

/// The one message of a message page, or an error message for the error page. Returns 1 when
/// the record was filled, 0 when the page was not read (the record is then untouched).
int ParseThreadPage(std::string_view profileUrl, MessageRecord *record, std::string_view requestUrl, const char *body);

/// The poster identities offered by a post form page, one per 256-byte buffer of texts, in page
/// order. Returns the number of buffers filled, 0 to count; stops at a null buffer.
int ParsePostFormPage(char **texts, int count, const char *body);

} // namespace hakobune
