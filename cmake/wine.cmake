# The Wine fixtures of the tests that run Windows programs.
#
# padlink_wine_fixtures(<desktop program> <prefix> [<label>])
#
# adds the set-up and clean-up tests (cmake/wine-fixture.sh) of two
# fixtures:
#   WineServer   one persistent Wine server for the prefix, the prefix set up
#                (WineServer.Start), and the server ended at the end of the run
#                (WineServer.Stop);
#   WineDesktop  Wine's desktop process held open by <desktop program>
#                (wine_desktop.exe, WineDesktop.Start) and ended after the last
#                test that needs it (WineDesktop.Stop).
# A test that runs a Windows program requires WineDesktop and runs with
# WINEPREFIX=<prefix>; the server's clean-up waits for the desktop's, which
# waits for every such test. <label>, when given, labels the four tests.
function(padlink_wine_fixtures desktop prefix)
  set(script ${PROJECT_SOURCE_DIR}/cmake/wine-fixture.sh)
  set(logs ${CMAKE_CURRENT_BINARY_DIR}/wine)
  add_test(NAME WineServer.Start COMMAND ${script} start ${logs})
  add_test(NAME WineDesktop.Start COMMAND ${script} desktop ${logs} ${desktop})
  add_test(NAME WineDesktop.Stop COMMAND ${script} stop-desktop ${logs})
  add_test(NAME WineServer.Stop COMMAND ${script} stop ${logs})
  set(tests WineServer.Start WineDesktop.Start WineDesktop.Stop WineServer.Stop)
  set_tests_properties(${tests} PROPERTIES ENVIRONMENT WINEPREFIX=${prefix} TIMEOUT 120)
  if(ARGC GREATER 2)
    set_tests_properties(${tests} PROPERTIES LABELS ${ARGV2})
  endif()
  set_tests_properties(WineServer.Start PROPERTIES FIXTURES_SETUP WineServer)
  set_tests_properties(WineServer.Stop PROPERTIES FIXTURES_CLEANUP WineServer)
  set_tests_properties(WineDesktop.Start PROPERTIES FIXTURES_SETUP WineDesktop
                                                    FIXTURES_REQUIRED WineServer)
  set_tests_properties(WineDesktop.Stop PROPERTIES FIXTURES_CLEANUP WineDesktop
                                                   FIXTURES_REQUIRED WineServer)
endfunction()
