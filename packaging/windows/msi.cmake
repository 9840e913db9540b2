# Run by cpack's External generator once it has staged the installed files:
# describes them in product.wxs.in and has wixl build a 64-bit MSI.

# Any of these would make Windows Installer misbehave, hence the checks.
if(NOT CPACK_PACKAGE_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR "An MSI needs a numeric version, not ${CPACK_PACKAGE_VERSION}")
endif()

# The shown version 1.05 is the MSI's 1.5.0: Windows Installer compares the
# fields as numbers, and only the first three.
string(REPLACE "." ";" version_fields "${CPACK_PACKAGE_VERSION}")
set(msi_fields)
foreach(field IN LISTS version_fields)
    math(EXPR field "${field}")
    list(APPEND msi_fields ${field})
endforeach()
list(LENGTH msi_fields field_count)
while(field_count LESS 3)
    list(APPEND msi_fields 0)
    math(EXPR field_count "${field_count} + 1")
endwhile()
list(GET msi_fields 0 major)
list(GET msi_fields 1 minor)
list(GET msi_fields 2 build)
if(major GREATER 255 OR minor GREATER 255 OR build GREATER 65534)
    message(FATAL_ERROR "Version ${CPACK_PACKAGE_VERSION} is beyond what an MSI can hold")
endif()
set(MSI_VERSION ${major}.${minor}.${build})
math(EXPR build_above "${build} + 1")
set(MSI_VERSION_ABOVE ${major}.${minor}.${build_above})

function(xml_escaped variable text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "\"" "&quot;" text "${text}")
    set(${variable} "${text}" PARENT_SCOPE)
endfunction()

# A component's GUID must stay the same for the same file from build to
# build, or an upgrade could leave files behind: derive it from the name.
function(component_guid variable name)
    string(UUID guid NAMESPACE ${CPACK_OSTREL_UPGRADE_CODE} NAME "${name}" TYPE SHA1 UPPER)
    set(${variable} ${guid} PARENT_SCOPE)
endfunction()

set(stage ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE staged RELATIVE ${stage} LIST_DIRECTORIES false ${stage}/*)
list(SORT staged)
if(NOT staged)
    message(FATAL_ERROR "Nothing was staged in ${stage}")
endif()

set(FILE_COMPONENTS)
set(COMPONENT_REFERENCES)
foreach(file IN LISTS staged)
    if(file MATCHES "/")
        message(FATAL_ERROR "The MSI holds one flat folder; ${file} is in a subfolder")
    endif()
    string(MAKE_C_IDENTIFIER "${file}" id)
    component_guid(guid "file/${file}")
    xml_escaped(source "${file}")
    string(APPEND FILE_COMPONENTS
        "          <Component Id=\"c_${id}\" Guid=\"${guid}\" Win64=\"yes\">\n"
        "            <File Id=\"f_${id}\" Source=\"${source}\" KeyPath=\"yes\"/>\n"
        "          </Component>\n")
    string(APPEND COMPONENT_REFERENCES "      <ComponentRef Id=\"c_${id}\"/>\n")
endforeach()

set(SHORTCUT_COMPONENTS)
if("OstrelSort.exe" IN_LIST staged)
    component_guid(guid "shortcut/OstrelSort.exe")
    # A shortcut cannot be a component's key path; the registry value is.
    string(APPEND SHORTCUT_COMPONENTS
        "    <DirectoryRef Id=\"ProgramMenuFolder\">\n"
        "      <Component Id=\"c_start_menu\" Guid=\"${guid}\" Win64=\"yes\">\n"
        "        <Shortcut Id=\"s_window\" Name=\"OstrelSort\" Description=\"Put the route file into key order\"\n"
        "                  Target=\"[INSTALLDIR]OstrelSort.exe\" WorkingDirectory=\"INSTALLDIR\"/>\n"
        "        <RegistryValue Root=\"HKLM\" Key=\"Software\\OstrelSort\" Name=\"StartMenuShortcut\" Type=\"integer\"\n"
        "                       Value=\"1\" KeyPath=\"yes\"/>\n"
        "      </Component>\n"
        "    </DirectoryRef>\n")
    string(APPEND COMPONENT_REFERENCES "      <ComponentRef Id=\"c_start_menu\"/>\n")
endif()

xml_escaped(NAME "${CPACK_PACKAGE_NAME}")
xml_escaped(VENDOR "${CPACK_PACKAGE_VENDOR}")
xml_escaped(INSTALL_FOLDER "${CPACK_PACKAGE_INSTALL_DIRECTORY}")
set(VERSION ${CPACK_PACKAGE_VERSION})
set(UPGRADE_CODE ${CPACK_OSTREL_UPGRADE_CODE})
set(wxs ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.wxs)
configure_file(${CPACK_OSTREL_WXS_TEMPLATE} ${wxs} @ONLY)

# wixl finds each File's Source relative to the folder it runs in.
set(msi ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)
execute_process(COMMAND ${CPACK_OSTREL_WIXL} --arch x64 --output ${msi} ${wxs}
                WORKING_DIRECTORY ${stage}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "wixl could not build ${msi} from ${wxs}")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/signing.cmake)
ostrel_sign(${msi})
set(CPACK_EXTERNAL_BUILT_PACKAGES ${msi})
