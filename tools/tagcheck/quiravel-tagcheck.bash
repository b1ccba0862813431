# SPDX-License-Identifier: Apache-2.0
# bash completion for quiravel-tagcheck
_quiravel_tagcheck()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --source)
            COMPREPLY=($(compgen -W 'application database device' -- "$cur"))
            return ;;
        --data|--call-log)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--help --version --quiet --data --source --call-log' -- "$cur"))
    else
        COMPREPLY=($(compgen -f -X '!*.@(kqd|KQD|htm|HTM|html)' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -o filenames -F _quiravel_tagcheck quiravel-tagcheck
