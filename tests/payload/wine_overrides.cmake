# Included by CTest after payload_tests' tests are discovered. Wine answers
# version queries on any file named PSAPI.dll from its built-in module; the
# checks of the system PSAPI.dll need the file on disk read instead.
set_tests_properties(${payload_tests_TESTS} PROPERTIES
  ENVIRONMENT_MODIFICATION "WINEDLLOVERRIDES=string_append:\\;psapi=n,b")
