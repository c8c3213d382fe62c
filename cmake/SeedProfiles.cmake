# Lays the shipped profiles beside the executable, leaving profiles that are already there
# alone: the program writes the last-used profile and the chosen language into them.
file(GLOB shipped "${SOURCE}/*.ini")
file(MAKE_DIRECTORY "${TARGET}")
foreach(profile ${shipped})
  get_filename_component(name "${profile}" NAME)
  if(NOT EXISTS "${TARGET}/${name}")
    file(COPY "${profile}" DESTINATION "${TARGET}")
  endif()
endforeach()
