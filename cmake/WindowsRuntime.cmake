# Copies what a Windows program needs beside it, found from what it and its
# Qt plugins import rather than from a list: the Qt DLLs and the compiler's
# runtime, each from the folder it was found in. Windows' own DLLs stay out.
# Run as a script:
#   cmake -DPROGRAM=<exe> -DQT_PREFIX=<qt> -DRUNTIME_DIRS=<dir;...> -DSYSTEM_IMPORT_LIBS=<dir>
#         -DDESTINATION=<folder> -P WindowsRuntime.cmake
cmake_minimum_required(VERSION 3.19)

set(plugins platforms/qwindows.dll imageformats/qico.dll imageformats/qjpeg.dll imageformats/qgif.dll
            styles/qwindowsvistastyle.dll)
file(MAKE_DIRECTORY ${DESTINATION})
file(COPY ${PROGRAM} DESTINATION ${DESTINATION})
set(modules)
foreach(plugin IN LISTS plugins)
    get_filename_component(kind ${plugin} DIRECTORY)
    file(COPY ${QT_PREFIX}/plugins/${plugin} DESTINATION ${DESTINATION}/${kind})
    list(APPEND modules ${QT_PREFIX}/plugins/${plugin})
endforeach()

# Windows looks DLLs up by name whatever the case, and CMake asks for them in
# lower case; on Linux they are found through links named that way.
set(view ${DESTINATION}/../dll-names)
file(REMOVE_RECURSE ${view})
file(MAKE_DIRECTORY ${view})
foreach(dir IN LISTS QT_PREFIX RUNTIME_DIRS)
    if(dir STREQUAL QT_PREFIX)
        set(dir ${QT_PREFIX}/bin)
    endif()
    file(GLOB dlls ${dir}/*.dll)
    foreach(dll IN LISTS dlls)
        get_filename_component(name ${dll} NAME)
        string(TOLOWER ${name} name)
        file(CREATE_LINK ${dll} ${view}/${name} SYMBOLIC)
    endforeach()
endforeach()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND x86_64-w64-mingw32-objdump)
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${PROGRAM}
    MODULES ${modules}
    DIRECTORIES ${view}
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR missing
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-")
foreach(dll IN LISTS missing)
    # What is not in those folders must come with Windows: the compiler has an
    # import library for each of Windows' own DLLs.
    string(TOLOWER ${dll} name)
    string(REGEX REPLACE "\\.(dll|drv)$" "" name ${name})
    if(NOT EXISTS ${SYSTEM_IMPORT_LIBS}/lib${name}.a)
        message(FATAL_ERROR "${dll}, imported by the program or a plugin, was found nowhere")
    endif()
endforeach()
foreach(dll IN LISTS found)
    file(REAL_PATH ${dll} real)
    file(COPY ${real} DESTINATION ${DESTINATION})
endforeach()
file(REMOVE_RECURSE ${view})
list(LENGTH found count)
message(STATUS "copied ${count} DLLs beside ${PROGRAM}")
