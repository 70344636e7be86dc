# Signing setup.exe in the build: the "sign" target runs scripts/sign.sh on the linked
# setup.exe and writes setup-signed.exe beside it; the unsigned image stays as linked, the
# reproducible one. With SETUP_SIGN=ON every build signs. docs/publishing.md tells the whole
# way, with osslsigncode here and with signtool on Windows.
#
# The password of the PKCS#12 file or the token's PIN is never a cache variable (the cache
# is a plain file in the build folder): it comes from the file SETUP_SIGN_PASSWORD_FILE or
# from the environment variable SETUP_SIGN_PASSWORD of the build.
option(SETUP_SIGN "Sign setup.exe into setup-signed.exe on every build" OFF)
set(SETUP_SIGN_PKCS12 "" CACHE FILEPATH "PKCS#12 file with the signing key and its certificate chain")
set(SETUP_SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 module of the token that holds the signing key")
set(SETUP_SIGN_PKCS11_ENGINE "" CACHE FILEPATH "OpenSSL PKCS#11 engine (empty: osslsigncode's own)")
set(SETUP_SIGN_KEY "" CACHE STRING "PKCS#11 URI of the signing key on the token")
set(SETUP_SIGN_CERT "" CACHE FILEPATH "Certificate chain (PEM) of the key on the token")
set(SETUP_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the PKCS#12 password or the token's PIN")
set(SETUP_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server")
set(SETUP_SIGN_CA "" CACHE FILEPATH "CA certificates the signature must verify against (empty: the system's)")
set(SETUP_SIGN_DESCRIPTION "${SETUP_BRANDING_PRODUCT_NAME}")

# The options go into a small script of their own, each value quoted for the shell there:
# handed over as a CMake list, a product name with ';' or '[' would be cut into pieces.
set(sign_command "#!/bin/sh\n# Made by cmake/signing.cmake: scripts/sign.sh with this build's options.\nexec '${CMAKE_SOURCE_DIR}/scripts/sign.sh'")
foreach(pair "--pkcs12;SETUP_SIGN_PKCS12" "--pkcs11-module;SETUP_SIGN_PKCS11_MODULE"
    "--pkcs11-engine;SETUP_SIGN_PKCS11_ENGINE" "--key;SETUP_SIGN_KEY" "--cert;SETUP_SIGN_CERT"
    "--pass-file;SETUP_SIGN_PASSWORD_FILE" "--timestamp;SETUP_SIGN_TIMESTAMP_URL"
    "--ca;SETUP_SIGN_CA" "--description;SETUP_SIGN_DESCRIPTION")
  list(GET pair 0 option)
  list(GET pair 1 var)
  if(NOT "${${var}}" STREQUAL "")
    string(REPLACE "'" "'\\''" quoted "${${var}}")
    string(APPEND sign_command " \\\n    ${option} '${quoted}'")
  endif()
endforeach()
string(APPEND sign_command " \"$@\"\n")
set(sign_script ${CMAKE_BINARY_DIR}/sign-setup.sh)
set(old_command "")
if(EXISTS ${sign_script})
  file(READ ${sign_script} old_command)
endif()
if(NOT old_command STREQUAL sign_command)  # rewritten only when changed: a change signs again
  file(WRITE ${sign_script} "${sign_command}")
endif()

if(SETUP_SIGN AND SETUP_SIGN_PKCS12 STREQUAL "" AND SETUP_SIGN_PKCS11_MODULE STREQUAL "")
  message(FATAL_ERROR "SETUP_SIGN needs a key: SETUP_SIGN_PKCS12 or SETUP_SIGN_PKCS11_MODULE")
endif()

set(SETUP_SIGNED_EXE ${CMAKE_BINARY_DIR}/setup-signed.exe)
add_custom_command(OUTPUT ${SETUP_SIGNED_EXE}
  COMMAND sh ${sign_script} $<TARGET_FILE:setup> ${SETUP_SIGNED_EXE}
  DEPENDS setup ${CMAKE_SOURCE_DIR}/scripts/sign.sh ${sign_script}
  COMMENT "Signing setup.exe into setup-signed.exe"
  VERBATIM)
if(SETUP_SIGN)
  add_custom_target(sign ALL DEPENDS ${SETUP_SIGNED_EXE})
else()
  add_custom_target(sign DEPENDS ${SETUP_SIGNED_EXE})
endif()
