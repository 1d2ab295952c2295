# What a Windows build of the agent needs beside its executable: the Qt libraries, the Qt plugins it loads
# (display, pictures, style, TLS through Schannel) and the mingw runtime. They are copied into bin/ so that
# the agent and the test programs run from there, and the installer takes the same list.
# KOVA_WINDOWS_RUNTIME holds pairs "source|folder below the executable's folder" ("." for beside it).
set(qt "${QT6_INSTALL_PREFIX}")
set(KOVA_WINDOWS_RUNTIME)
foreach(module Core Gui Widgets Network)
    list(APPEND KOVA_WINDOWS_RUNTIME "${qt}/bin/Qt6${module}.dll|.")
endforeach()
foreach(plugin platforms/qwindows platforms/qoffscreen imageformats/qgif imageformats/qico imageformats/qjpeg
               styles/qwindowsvistastyle tls/qschannelbackend)
    get_filename_component(folder ${plugin} DIRECTORY)
    list(APPEND KOVA_WINDOWS_RUNTIME "${qt}/plugins/${plugin}.dll|${folder}")
endforeach()
file(GLOB mingw_runtime "${KOVA_WINDOWS_SDK}/runtime/*.dll")
foreach(dll ${mingw_runtime})
    list(APPEND KOVA_WINDOWS_RUNTIME "${dll}|.")
endforeach()
if(NOT mingw_runtime)
    message(FATAL_ERROR "No mingw runtime DLLs in ${KOVA_WINDOWS_SDK}/runtime: configure with the SDK's mingw.cmake")
endif()

# Copied at configure time: they do not change while the build runs.
foreach(entry ${KOVA_WINDOWS_RUNTIME} "${qt}/bin/Qt6Test.dll|.")
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 source)
    list(GET parts 1 folder)
    file(COPY "${source}" DESTINATION "${CMAKE_BINARY_DIR}/bin/${folder}")
endforeach()
