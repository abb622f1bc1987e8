# The settings tool is run as built, beside the shipped skins and the broken
# skins of the skin selection fixtures.
add_dependencies(${name}_tests vnsettings Skins skinsel_fixtures English LanguageIni)
