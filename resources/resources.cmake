set(KIT_RESOURCES_DIR ${CMAKE_SOURCE_DIR}/resources)
# Included by the launcher's folder, so that the rules live where the
# executable that links the compiled resources is made.
#
# The launcher's resources: the sign-up program as resource "INSTALL" of type
# "OID", the "SPLASH" dialog and the icon.
set(KIT_SIGNUP_PROGRAM "" CACHE FILEPATH
    "Sign-up program to embed in the launcher (default: the stand-in built here)")

if(KIT_SIGNUP_PROGRAM)
  set(kit_signup_source ${KIT_SIGNUP_PROGRAM})
  set(kit_signup_depends ${KIT_SIGNUP_PROGRAM})
else()
  set(kit_signup_source $<TARGET_FILE:signup>)
  set(kit_signup_depends signup)
endif()

# The program goes in compressed to SZDD, the form VerInstallFileA expands
# while staging; the native tree's szddtool compresses it.
set(kit_szddtool ${KIT_HOST_TOOLS}/szddtool)
if(NOT KIT_HOST_TOOLS OR NOT EXISTS ${kit_szddtool})
  message(FATAL_ERROR
    "szddtool not found in KIT_HOST_TOOLS ('${KIT_HOST_TOOLS}'). The launcher embeds the "
    "sign-up program compressed with the native tree's szddtool: build the native tree "
    "first (./dev build does so) and set KIT_HOST_TOOLS to its bin folder.")
endif()

set(kit_install_blob ${CMAKE_CURRENT_BINARY_DIR}/install.bin)
add_custom_command(
  OUTPUT ${kit_install_blob}
  COMMAND ${kit_szddtool} compress ${kit_signup_source} ${kit_install_blob}
  DEPENDS ${kit_signup_depends} ${kit_szddtool}
  COMMENT "Compressing the sign-up program for embedding"
  VERBATIM)

set(kit_resource_object ${CMAKE_CURRENT_BINARY_DIR}/launcher_res.o)
file(GLOB kit_resource_inputs CONFIGURE_DEPENDS ${KIT_RESOURCES_DIR}/*.rc
     ${KIT_RESOURCES_DIR}/*.h ${KIT_RESOURCES_DIR}/*.ico)
add_custom_command(
  OUTPUT ${kit_resource_object}
  COMMAND ${CMAKE_RC_COMPILER} -I ${KIT_RESOURCES_DIR} -I ${CMAKE_CURRENT_BINARY_DIR}
          -i ${KIT_RESOURCES_DIR}/launcher.rc -o ${kit_resource_object}
  DEPENDS ${kit_resource_inputs} ${kit_install_blob}
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  VERBATIM)
set(KIT_LAUNCHER_RESOURCES ${kit_resource_object})

# The same resources without the sign-up program, for launcher_bare.exe: the
# launcher's own size, whatever program a provider embeds.
set(kit_bare_resource_object ${CMAKE_CURRENT_BINARY_DIR}/launcher_bare_res.o)
add_custom_command(
  OUTPUT ${kit_bare_resource_object}
  COMMAND ${CMAKE_RC_COMPILER} -D KIT_NO_INSTALL -I ${KIT_RESOURCES_DIR}
          -i ${KIT_RESOURCES_DIR}/launcher.rc -o ${kit_bare_resource_object}
  DEPENDS ${kit_resource_inputs}
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  VERBATIM)
set(KIT_LAUNCHER_BARE_RESOURCES ${kit_bare_resource_object})
set(KIT_INSTALL_BLOB ${kit_install_blob})
