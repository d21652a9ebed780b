# Layer rule: logic targets (velumbra_<subsystem>) never link QtWidgets.
# Window code lives in velumbra_<subsystem>_ui targets.
set_property(GLOBAL PROPERTY VELUMBRA_LOGIC_TARGETS "")

function(velumbra_logic_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY VELUMBRA_LOGIC_TARGETS ${name})
endfunction()

function(velumbra_check_layers)
  get_property(targets GLOBAL PROPERTY VELUMBRA_LOGIC_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(libs ${t} LINK_LIBRARIES)
    if(libs)
      foreach(l IN LISTS libs)
        if(l MATCHES "Widgets" OR l MATCHES "_ui$")
          message(FATAL_ERROR "Logic target ${t} must not link ${l}")
        endif()
      endforeach()
    endif()
  endforeach()
endfunction()
