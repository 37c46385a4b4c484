# Read marks, tab restoration, log deletion and the reply tree (plain C++, no widgets).
add_library(nk_store_marks STATIC
    marktexts.h
    marks.h marks.cpp
    restoration.h restoration.cpp
    logdelete.h logdelete.cpp
    replytree.h replytree.cpp)
target_link_libraries(nk_store_marks PUBLIC nk_common nk_base nk_settings nk_net nk_plugin_api_headers
    nk_store_boards nk_store_topics)
