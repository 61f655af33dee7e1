# Fails when a system library's header is included outside the backend folder that owns it, or
# when an interface in platform/ includes anything but the standard library and other interfaces.
# Run as: cmake -DROOT=<source root> -P include_rules.cmake
set(owners
    "X11/|platform/x11/"
    "xcb/|platform/x11/"
    "pulse/|platform/pulse/"
    "libavcodec/|codecs/ffmpeg/"
    "libavformat/|codecs/ffmpeg/"
    "libavutil/|codecs/ffmpeg/"
    "libswscale/|codecs/ffmpeg/"
    "zlib.h|codecs/")
set(product app area audio avi capture codecs pages platform settings setup)
set(faults "")
foreach(folder ${product})
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
  foreach(file ${sources})
    file(RELATIVE_PATH rel ${ROOT} ${file})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
      foreach(rule ${owners})
        string(REPLACE "|" ";" parts "${rule}")
        list(GET parts 0 prefix)
        list(GET parts 1 home)
        string(FIND "${header}" "${prefix}" at)
        string(FIND "${rel}" "${home}" inside)
        if(at EQUAL 0 AND NOT inside EQUAL 0)
          list(APPEND faults "${rel}: <${header}> belongs in ${home} only")
        endif()
      endforeach()
      # The interfaces: the standard library and other interfaces, nothing else.
      if(rel MATCHES "^platform/[^/]+\\.h$")
        if(line MATCHES "\"" AND NOT header MATCHES "^platform/[^/]+\\.h$")
          list(APPEND faults "${rel}: an interface includes \"${header}\"")
        elseif(line MATCHES "<" AND NOT header MATCHES "^[a-z_]+$")
          list(APPEND faults "${rel}: an interface includes <${header}>")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "System headers outside their backends:\n${text}")
endif()
message(STATUS "Every system header stays in its backend folder")
