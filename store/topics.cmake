# Topic logs and the incremental download of topics (plain C++, no widgets).
add_library(nk_store_topics STATIC
    numberset.h numberset.cpp
    topicstate.h topicstate.cpp
    threadlog.h threadlog.cpp
    topicfetch.h topicfetch.cpp
    topicopen.h topicopen.cpp
    messagedelete.h messagedelete.cpp
    topictexts.h)
target_link_libraries(nk_store_topics PUBLIC nk_store_safename nk_common nk_base nk_settings nk_net nk_plugin_api_headers)
