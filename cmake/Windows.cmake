# The Windows build, cross-compiled with mingw-w64 against the Windows SDK (scripts/build-windows
# passes its folder as CORVANE_WINDOWS_SDK, and Qt's toolchain file as CMAKE_TOOLCHAIN_FILE).

set(CORVANE_WINDOWS_SDK "" CACHE PATH "The Windows SDK: Qt, TinyXML, GoogleTest, svn.exe, the mingw runtime")
if(NOT IS_DIRECTORY "${CORVANE_WINDOWS_SDK}/qt")
  message(FATAL_ERROR "CORVANE_WINDOWS_SDK must name the Windows SDK (see scripts/build-windows)")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${CORVANE_WINDOWS_SDK}/tinyxml" "${CORVANE_WINDOWS_SDK}/googletest")
list(APPEND CMAKE_PREFIX_PATH "${CORVANE_WINDOWS_SDK}/googletest")
# A child process's attribute list and the job objects it runs in need Windows 8 or later.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 UNICODE _UNICODE NOMINMAX)
# libstdc++ 12 for mingw-w64 waits on atomics through a condition variable, reading the value before
# it takes the mutex, so a wake-up between the two is lost. A std::stop_callback that ends while its
# callback runs on another thread waits on a semaphore; the POSIX one (winpthreads) does not lose it.
add_compile_definitions(_GLIBCXX_USE_POSIX_SEMAPHORE=1)

# corvane.exe is the tray program: a GUI program, which Windows starts without a console window.
# corvane.com, made from the same sources, is its console entry: cmd.exe and PowerShell find it first
# through PATHEXT when "corvane" is typed, wait for it, and show what --check, --help and --version
# print. Both go to dist/ with the DLLs and plugins they need, a folder that runs as it stands.
function(corvane_add_windows_programs target)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  get_target_property(sources ${target} SOURCES)
  qt_add_executable(${target}_console ${sources})
  target_link_libraries(${target}_console PRIVATE corvane_ui)
  set_target_properties(${target}_console PROPERTIES OUTPUT_NAME ${target} SUFFIX .com)

  set(sdk "${CORVANE_WINDOWS_SDK}")
  set(dist "${PROJECT_BINARY_DIR}/dist")
  add_custom_target(windows-dist ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dist}/platforms ${dist}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> $<TARGET_FILE:${target}_console> ${dist}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
      ${sdk}/qt/bin/Qt6Core.dll ${sdk}/qt/bin/Qt6Gui.dll ${sdk}/qt/bin/Qt6Widgets.dll ${sdk}/qt/bin/Qt6Network.dll
      ${sdk}/mingw-runtime/libstdc++-6.dll ${sdk}/mingw-runtime/libgcc_s_seh-1.dll
      ${sdk}/mingw-runtime/libwinpthread-1.dll
      ${dist}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${sdk}/qt/plugins/platforms/qwindows.dll ${dist}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${sdk}/qt/plugins/styles/qwindowsvistastyle.dll ${dist}/styles
    DEPENDS ${target} ${target}_console
    COMMENT "Gathering the Windows program in dist/"
    VERBATIM)
endfunction()

# The tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/tests/support/wine-run.sh;${PROJECT_BINARY_DIR};${CORVANE_WINDOWS_SDK}")
