# Page building and the message text transforms: plain C++ that returns Shift_JIS bytes, built
# also without Qt.
add_library(nk_pages STATIC
    texttransform.h texttransform.cpp
    skin.h skin.cpp
    render.h render.cpp
    rendernav.h rendernav.cpp
    extraction.h extraction.cpp
    msgfilter.h msgfilter.cpp
    answers.h answers.cpp
    ngfilter.h ngfilter.cpp)
target_link_libraries(nk_pages PUBLIC nk_common nk_base nk_settings nk_store_topics)

# The default skin in the program directory, written by the same code that restores it at run
# time; rewritten only when that code changes, so local edits survive ordinary builds.
add_executable(nk_skin_writer skinwriter.cpp)
target_link_libraries(nk_skin_writer PRIVATE nk_pages)
set_target_properties(nk_skin_writer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
# Exactly the files the writer writes: an output that is never written makes the rule run on
# every build, over skins edited in the program directory. (The two optional templates are not
# part of the default skin.) A test holds this list to the writer's.
set(NK_DEFAULT_SKIN_NAMES Header.html Res.html NewRes.html Footer.html)
set_property(GLOBAL PROPERTY NK_DEFAULT_SKIN_NAMES "${NK_DEFAULT_SKIN_NAMES}")
set(NK_DEFAULT_SKIN_FILES)
foreach(name ${NK_DEFAULT_SKIN_NAMES})
    list(APPEND NK_DEFAULT_SKIN_FILES ${NK_PROGRAM_DIR}/skin/${name})
endforeach()
add_custom_command(OUTPUT ${NK_DEFAULT_SKIN_FILES}
    COMMAND nk_skin_writer ${NK_PROGRAM_DIR}/skin
    DEPENDS nk_skin_writer
    COMMENT "Writing the default skin")
add_custom_target(nk_default_skin ALL DEPENDS ${NK_DEFAULT_SKIN_FILES})
