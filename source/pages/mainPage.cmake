# The Main page with its tuning menu and keyboard panel, and the controller slots it shows.
add_library(morvane_mainpage STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mainPage.cpp ${CMAKE_CURRENT_LIST_DIR}/mainPageKeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainPageTuning.cpp ${CMAKE_CURRENT_LIST_DIR}/../midi/page/midiPageSlots.cpp)
target_include_directories(morvane_mainpage PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(morvane_mainpage PUBLIC morvane_controls morvane_core morvane_options)
