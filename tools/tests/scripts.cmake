# The build scripts' own tests: plain Python in scratch folders, needing
# neither Wine nor anything built, so the native build runs them too.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
foreach(script build_payload make_sample_product stamp_setup)
  add_test(NAME tools.${script} COMMAND ${Python3_EXECUTABLE} -B -m unittest -v ${script}_test
           WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
  set_tests_properties(tools.${script} PROPERTIES TIMEOUT 120)
endforeach()
