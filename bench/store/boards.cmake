# Opening a board with many stored logs, loading a large category file, resolving a board's
# directory; prints its figures with ratios against reference runs. Registered with CTest only as
# a small smoke run.
add_executable(store_boards_bench boards_bench.cpp)
target_link_libraries(store_boards_bench PRIVATE nk_common nk_store_boards)
set_target_properties(store_boards_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_test(NAME store_boards_bench_smoke COMMAND store_boards_bench --smoke)
set_tests_properties(store_boards_bench_smoke PROPERTIES LABELS bench TIMEOUT 120)
