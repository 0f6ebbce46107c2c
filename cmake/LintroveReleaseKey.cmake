# The release public key built into the client. A release build names the maintainers' public
# key (LINTROVE_RELEASE_PUBLIC_KEY, a PEM file; scripts/release does so); any other build makes a
# throwaway key pair of its own in the build directory, so that its tests and the demo can sign
# setups the client accepts, while no key that signs real releases is ever on the build machine.
#
# Sets LINTROVE_RELEASE_PUBLIC_KEY_HEX (the 32 key bytes) and, for a throwaway key only,
# LINTROVE_TEST_SIGNING_KEY (the private PEM file) and LINTROVE_TEST_SIGNING_SEED (its 32 bytes).
find_program(LINTROVE_OPENSSL openssl REQUIRED)
set(LINTROVE_RELEASE_PUBLIC_KEY "" CACHE FILEPATH
    "The release public key (PEM) the client accepts setups of; empty: a throwaway key pair")

# The last 32 bytes of an Ed25519 key's DER form are the key itself (RFC 8410).
function(lintrove_ed25519_key_bytes out)
  execute_process(COMMAND ${LINTROVE_OPENSSL} pkey ${ARGN} -outform DER
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/release-key/key.der
                  RESULT_VARIABLE failed ERROR_VARIABLE message)
  if(failed)
    message(FATAL_ERROR "openssl cannot read the release key: ${message}")
  endif()
  file(READ ${CMAKE_BINARY_DIR}/release-key/key.der der HEX)
  file(REMOVE ${CMAKE_BINARY_DIR}/release-key/key.der)
  # The DER prefixes of an Ed25519 public key (44 bytes) and private key (48 bytes).
  string(LENGTH "${der}" length)
  if(NOT length EQUAL 88 AND NOT length EQUAL 96 OR
     NOT der MATCHES "^(302a300506032b6570032100|302e020100300506032b657004220420)([0-9a-f]+)$")
    message(FATAL_ERROR "the release key ${ARGN} is not an Ed25519 key")
  endif()
  set(${out} ${CMAKE_MATCH_2} PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/release-key)
unset(LINTROVE_TEST_SIGNING_KEY)
unset(LINTROVE_TEST_SIGNING_SEED)
if(LINTROVE_RELEASE_PUBLIC_KEY)
  set(public_pem ${LINTROVE_RELEASE_PUBLIC_KEY})
else()
  set(LINTROVE_TEST_SIGNING_KEY ${CMAKE_BINARY_DIR}/release-key/throwaway-signing-key.pem)
  set(public_pem ${CMAKE_BINARY_DIR}/release-key/throwaway-release-key.pem)
  if(NOT EXISTS ${LINTROVE_TEST_SIGNING_KEY})
    execute_process(COMMAND ${LINTROVE_OPENSSL} genpkey -algorithm ed25519
                            -out ${LINTROVE_TEST_SIGNING_KEY} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  execute_process(COMMAND ${LINTROVE_OPENSSL} pkey -in ${LINTROVE_TEST_SIGNING_KEY} -pubout
                          -out ${public_pem} COMMAND_ERROR_IS_FATAL ANY)
  lintrove_ed25519_key_bytes(LINTROVE_TEST_SIGNING_SEED -in ${LINTROVE_TEST_SIGNING_KEY})
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${public_pem})
lintrove_ed25519_key_bytes(LINTROVE_RELEASE_PUBLIC_KEY_HEX -pubin -in ${public_pem})
set(LINTROVE_RELEASE_PUBLIC_KEY_PEM ${public_pem})
