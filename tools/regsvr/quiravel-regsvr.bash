# SPDX-License-Identifier: Apache-2.0
# bash completion for quiravel-regsvr
_quiravel_regsvr()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--unregister --quiet --help --version' -- "$cur"))
    else
        COMPREPLY=($(compgen -f -X '!*.so*' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -o filenames -F _quiravel_regsvr quiravel-regsvr
