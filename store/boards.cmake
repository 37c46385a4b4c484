# Boards: the category trees and their files, board log directories, topic lists and their
# merge, the topic-list rows and their rules, and the dispatch of OpenUrl. Plain C++, no widgets.
add_library(nk_store_boards STATIC
    boardtexts.h
    boardfields.h
    boardurls.h boardurls.cpp
    categorytree.h categorytree.cpp
    categoryfile.h categoryfile.cpp
    categorycrawl.h categorycrawl.cpp
    boarddir.h boarddir.cpp
    logsummary.h logsummary.cpp
    listrows.h listrows.cpp
    boardlist.h boardlist.cpp
    favorites.h favorites.cpp
    pageindex.h pageindex.cpp
    openurl.h openurl.cpp)
target_link_libraries(nk_store_boards PUBLIC nk_store_safename nk_common nk_base nk_settings nk_plugin_api_headers nk_net)
