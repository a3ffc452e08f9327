# The link selector: binds parlink and buslink by export name as the explorer starts.
add_library(lptctrl STATIC LPTCtrl.cpp)
target_link_libraries(lptctrl PUBLIC kivowin ${CMAKE_DL_LIBS})

# Fake link libraries for the selector's tests, named as the real ones, one folder per set.
set(LPTCTRL_FAKES ${CMAKE_CURRENT_BINARY_DIR}/lptctrl-fakes)

# lptctrl_add_fake(<target> <folder> <buslink 0|1> [<export to hide>])
function(lptctrl_add_fake target folder buslink)
  add_library(${target} SHARED tests/lptctrl/fake_link.cpp)
  target_compile_definitions(${target} PRIVATE FAKE_BUSLINK=${buslink})
  target_link_libraries(${target} PRIVATE kivowin)
  if(buslink)
    set(name buslink)
  else()
    set(name parlink)
  endif()
  set(options -Wl,-Bsymbolic)
  if(ARGC GREATER 3)
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    file(WRITE ${map} "{ global: *; local: ${ARGV3}; };\n")
    list(APPEND options -Wl,--version-script=${map})
  endif()
  target_link_options(${target} PRIVATE ${options})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${name} LIBRARY_OUTPUT_DIRECTORY ${LPTCTRL_FAKES}/${folder})
endfunction()

lptctrl_add_fake(lptctrl_fake_parlink full 0)
lptctrl_add_fake(lptctrl_fake_buslink full 1)
lptctrl_add_fake(lptctrl_fake_parlink_nobig5 lacking 0 PX_BIG5_Code)
lptctrl_add_fake(lptctrl_fake_buslink_nowindow lacking 1 PX_SetWindowHandle)

kivo_add_test(lptctrl_tests SOURCES tests/lptctrl/lptctrl_test.cpp LIBS lptctrl)
target_compile_definitions(lptctrl_tests PRIVATE LPTCTRL_FAKES="${LPTCTRL_FAKES}")
add_dependencies(lptctrl_tests lptctrl_fake_parlink lptctrl_fake_buslink
  lptctrl_fake_parlink_nobig5 lptctrl_fake_buslink_nowindow)
