# End to end: the meadow program when its X server is killed under it (the
# script starts and kills its own Xvfb servers, so it needs no display).
if(TARGET meadow)
  add_test(NAME e2e_server_loss
           COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e/server_loss.sh $<TARGET_FILE:meadow>)
  set_tests_properties(e2e_server_loss PROPERTIES TIMEOUT 120)
endif()
