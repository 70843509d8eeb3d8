# zarvello_add_replay_test: a test of a game's own suite that replays a recorded play session headless and
# compares the screens with the expected ones kept beside the recording.
#
#   enable_testing()
#   zarvello_add_replay_test(walker walker.zrec)
#
# registers the test "walker_replay" (the recording's name and "_replay"), which runs the game with
# ZARVELLO_REPLAY and ZARVELLO_REPLAY_EXPECTED: it fails when a checked frame's screen differs, naming the first
# such frame, and leaves frame-NNNNNN-expected.png and frame-NNNNNN-actual.png in <build>/<test name>/. The
# build target "update_walker_replay" makes or updates the expected screens: walker.screens beside the recording,
# one checksum per checked frame, and a picture of each checked frame in the folder walker.screens.d.
#
#   zarvello_add_replay_test(GAME RECORDING [NAME test] [SCREENS file] [FRAMES "every N" | "all" | "N M ..."])
#
# GAME is the game's executable target; RECORDING and SCREENS are relative to the current source folder.
# FRAMES chooses the frames the update keeps: every 60th and the last by default (a second at 60 frames a
# second). The game runs in its own folder, where its data is.
function(zarvello_add_replay_test game recording)
  cmake_parse_arguments(PARSE_ARGV 2 REPLAY "" "NAME;SCREENS;FRAMES" "")
  if(REPLAY_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "zarvello_add_replay_test: unknown arguments ${REPLAY_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${game})
    message(FATAL_ERROR "zarvello_add_replay_test: ${game} is not a target of this project")
  endif()
  get_filename_component(recording "${recording}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(stem "${recording}" NAME_WE)
  get_filename_component(folder "${recording}" DIRECTORY)
  if(NOT REPLAY_NAME)
    set(REPLAY_NAME ${stem}_replay)
  endif()
  if(REPLAY_SCREENS)
    get_filename_component(screens "${REPLAY_SCREENS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  else()
    set(screens "${folder}/${stem}.screens")
  endif()
  if(NOT REPLAY_FRAMES)
    set(REPLAY_FRAMES "every 60")
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${REPLAY_NAME}")

  add_test(NAME ${REPLAY_NAME} COMMAND ${game} WORKING_DIRECTORY $<TARGET_FILE_DIR:${game}>)
  set_tests_properties(${REPLAY_NAME} PROPERTIES ENVIRONMENT
    "ZARVELLO_REPLAY=${recording};ZARVELLO_REPLAY_EXPECTED=${screens};ZARVELLO_REPLAY_SCREENSHOTS=${out}")

  add_custom_target(update_${REPLAY_NAME}
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${screens}.d"
    COMMAND ${CMAKE_COMMAND} -E env "ZARVELLO_REPLAY=${recording}" "ZARVELLO_REPLAY_FRAMES=${REPLAY_FRAMES}"
      "ZARVELLO_REPLAY_CHECKSUMS=${screens}" "ZARVELLO_REPLAY_SCREENSHOTS=${screens}.d" $<TARGET_FILE:${game}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${game}>
    DEPENDS ${game}
    COMMENT "Replaying ${recording} into ${screens}"
    VERBATIM)
endfunction()
