-- The pages in docs/ as manual pages: section names in capitals as manual pages have them,
-- links between the pages keep their words and lose their file names, and the report's
-- picture, which a terminal cannot show, is left out.
function Header(header)
  if header.level == 1 then
    return pandoc.walk_block(header, {
      Str = function(word)
        return pandoc.Str(word.text:upper())
      end,
    })
  end
end

function Link(link)
  return link.content
end

function Image(image)
  return {}
end
