# The unit tests that need neither SDL nor fontconfig, built to WebAssembly and run
# under node (preset web-tests), so that an assumption about the platform (pointer
# size, static data addresses, the C library's rand) fails here as it would in a page.
foreach(area game kernel strsafe gdi aygshell view)
  add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/${area} ${CMAKE_CURRENT_BINARY_DIR}/${area})
endforeach()
# WebAssembly has no other processes: no saves killed by one, no second start
# finding the first through the single-instance service.
bj_add_test(test_registry SOURCES registry/registry_api_test.cpp registry/hive_text_test.cpp
            LIBS platform)
bj_add_test(test_user SOURCES user/message_test.cpp user/input_test.cpp user/window_test.cpp
            user/paint_test.cpp LIBS platform)
